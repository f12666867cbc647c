# make demo   a short tour of the module
# make test   the whole test suite
# make test-sanitized   the suite against an AddressSanitizer/UBSan build
# make fuzz   the fuzz targets against that build for a bounded time
#   (FUZZ_SECONDS, default 60)
# make bench   speed beside the libraries a user would otherwise call, with a
#   closing table of every row; fails when a script fails
.PHONY: setup demo test test-sanitized bench bench-deps fuzz

PY := .venv/bin/python
BENCH_STAMP := .venv/.bench-deps-installed
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

# The peers the bench scripts compare against, pinned in constraints.txt.  The
# stamp lives in the venv, so a venv made anew installs them again; it is
# tested here rather than as a make target because setup may remake the venv
# after make has looked at the stamp.
bench-deps: setup
	@stamp=$(BENCH_STAMP); \
	if [ ! -f $$stamp ] || [ constraints.txt -nt $$stamp ] || [ bench/requirements.txt -nt $$stamp ]; then \
	  $(PY) -m pip install -q --disable-pip-version-check -c constraints.txt -r bench/requirements.txt && \
	  $(PY) -c 'import astral, ephem' && touch $$stamp; \
	fi

bench: bench-deps
	@$(PY) bench/run_all.py
