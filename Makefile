# make demo   a short tour of the module
# make test   the whole test suite
# make test-sanitized   the suite against an AddressSanitizer/UBSan build
#   (libstdc++ is preloaded beside libasan: the interpreter does not link it,
#   and the sanitizer must see it at start to intercept C++ throws)
# make fuzz   the fuzz targets against that build for a bounded time
#   (FUZZ_SECONDS, default 60)
.PHONY: setup demo test test-sanitized bench fuzz

PY := .venv/bin/python
ASAN_VENV := .venv-sanitized

setup:
	@bash scripts/setup.sh

demo: setup
	@$(PY) examples/tour.py

test: setup
	$(PY) -m pytest -q tests

# libstdc++ is preloaded with the sanitizer runtime: the interpreter itself
# does not link it, so otherwise the runtime finds no __cxa_throw to forward
# to and aborts at the first C++ exception (ours, or PROJ's inside GDAL).
test-sanitized:
	@VENV=$(ASAN_VENV) ORBALT_BUILD_ARGS="-C cmake.define.ORBALT_SANITIZE=ON -C build-dir=build/sanitized" \
	  bash scripts/setup.sh
	LD_PRELOAD="$$(g++ -print-file-name=libasan.so) $$(g++ -print-file-name=libstdc++.so)" \
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  $(ASAN_VENV)/bin/python -m pytest -q -p no:cacheprovider tests

fuzz:
	@bash fuzz/run.sh $${FUZZ_SECONDS:-60}

bench: setup
	@for f in bench/*.py; do [ -f "$$f" ] && $(PY) "$$f"; done; true
