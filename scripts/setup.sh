#!/usr/bin/env bash
# Brings a machine from nothing to a built module: Debian's GDAL development
# package, a .venv made with CPython 3.12, the pinned dependencies, and the
# module itself.  Safe to run again: every step is skipped once done, and the
# module build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

venv=${VENV:-.venv}

# 1. Debian packages: GDAL's headers, library and gdal-config.
if ! command -v gdal-config >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq libgdal-dev g++ cmake >/dev/null
fi
gdal_version=$(gdal-config --version)
pinned=$(sed -n 's/^GDAL==//p' constraints.txt)
if [ "$gdal_version" != "$pinned" ]; then
  echo "setup: gdal-config reports GDAL $gdal_version but constraints.txt pins GDAL==$pinned;" >&2
  echo "setup: the bindings must match the system library, update the pin." >&2
  exit 1
fi

# 2. CPython 3.12: pyenv's shim refuses a bare python3.12, so look for it.
find_python() {
  local root candidate
  if command -v pyenv >/dev/null 2>&1; then
    root=$(pyenv root)
    for candidate in $(ls -d "$root"/versions/3.12.*/bin/python3.12 2>/dev/null | sort -V -r); do
      [ -x "$candidate" ] && { echo "$candidate"; return; }
    done
  fi
  for candidate in /usr/local/bin/python3.12 /usr/bin/python3.12; do
    [ -x "$candidate" ] && { echo "$candidate"; return; }
  done
  return 1
}
if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c 'import sys; sys.exit(sys.version_info[:2] != (3, 12))'; then
  python=$(find_python) || { echo "setup: CPython 3.12 not found" >&2; exit 1; }
  rm -rf "$venv"
  "$python" -m venv "$venv"
fi

# 3. Dependencies, pinned.
stamp="$venv/.deps-installed"
if [ ! -f "$stamp" ] || [ constraints.txt -nt "$stamp" ] || [ scripts/setup.sh -nt "$stamp" ]; then
  "$venv/bin/python" -m pip install -q --disable-pip-version-check --upgrade pip
  "$venv/bin/python" -m pip install -q --disable-pip-version-check -c constraints.txt \
    shapely lxml pygml pytz python-dateutil "GDAL==$gdal_version" \
    pytest pyproj geographiclib ephem hypothesis scikit-build-core cmake ninja
  "$venv/bin/python" -c 'from osgeo import ogr, osr; import shapely, lxml.etree, pygml, pytz, dateutil.tz, hypothesis, ephem'
  touch "$stamp"
fi

# 4. The module, into the venv's site-packages as models/orbalt*.so.
"$venv/bin/python" -m pip install -q --disable-pip-version-check --no-build-isolation --no-deps \
  ${ORBALT_BUILD_ARGS:-} .
