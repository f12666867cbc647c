#!/usr/bin/env bash
# Runs the fuzz targets against the AddressSanitizer/UBSan build for a
# bounded time (first argument, seconds; default 60, and half as long again
# for the every-method target and for the reference-text target).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
VENV=.venv-sanitized ORBALT_BUILD_ARGS="-C cmake.define.ORBALT_SANITIZE=ON -C build-dir=build/sanitized" \
  bash scripts/setup.sh
# libstdc++ beside libasan, as for the sanitized tests: the interpreter does
# not link it, and the sanitizer must see it at start to intercept C++ throws.
export LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)"
export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
timeout --signal=KILL $((seconds * 3 + 120)) .venv-sanitized/bin/python fuzz/fuzz_loads.py "$seconds"
# Every method with random arguments, for half as long; GDAL's own error
# printing of refused and doubtful geometries is dropped from the log.  The
# interpreter's objects come from malloc, so that the sanitizer also sees an
# object read after a hostile value has freed it (its own allocator keeps
# freed objects in pools the sanitizer does not watch).
PYTHONMALLOC=malloc timeout --signal=KILL $((seconds * 2 + 120)) .venv-sanitized/bin/python -W ignore \
  fuzz/fuzz_methods.py $((seconds / 2)) 2> >(grep -v -e '^ERROR 1: ' -e '^Warning 1: ' >&2)
# Reference texts with URLs and paths spliced in, for half as long, against
# a loopback listener that must see no connection.
timeout --signal=KILL $((seconds * 2 + 180)) .venv-sanitized/bin/python -W ignore \
  fuzz/fuzz_references.py $((seconds / 2)) 2> >(grep -v -e '^ERROR 1: ' -e '^Warning 1: ' >&2)
