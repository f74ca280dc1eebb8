# Shared helpers for the scripts: package checks and the build configuration.
# Sourced, not run.

set -euo pipefail

VANTOK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VANTOK_JOBS=${VANTOK_JOBS:-$(nproc 2>/dev/null || echo 2)}

vantok_apt_updated=0

# ensure_packages PKG...: installs the Debian packages that are not installed yet.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  if [ "$vantok_apt_updated" -eq 0 ]; then
    $sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
    vantok_apt_updated=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
}

# The packages of the main build and its tests (dpkg-dev and file: the .deb test's
# dependency scan).
ensure_build_packages() {
  ensure_packages g++ cmake ninja-build libgtest-dev ccache dpkg-dev file
  # vantok-import and vantok-dump: assimp, CLI11, JSON; assimp's test models for the `models` tests
  ensure_packages libassimp-dev libcli11-dev nlohmann-json3-dev assimp-testmodels
  # vantok-dump --gltf: stb reads TGA, BMP and the like and writes PNG for embedded images
  ensure_packages libstb-dev
  # the Python package vantok (pybind11, NumPy, Debian's python3 headers) and its pytest files
  ensure_packages pybind11-dev python3-dev python3-numpy python3-pytest
}

# npm_install_locked SOURCE_DIR DIR: the packages SOURCE_DIR's lock file pins, installed into
# DIR/node_modules by `npm ci` (again only when the lock file changed).
npm_install_locked() {
  local source=$1 dir=$2
  if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    ensure_packages nodejs npm
  fi
  mkdir -p "$dir"
  if [ ! -d "$dir/node_modules" ] || ! cmp -s "$source/package-lock.json" "$dir/package-lock.json"; then
    cp "$source/package.json" "$source/package-lock.json" "$dir/"
    (cd "$dir" && npm ci --no-audit --no-fund --ignore-scripts --prefer-offline >/dev/null)
  fi
}

# ensure_view_packages BUILD_DIR: what vantok-view needs: cpp-httplib to build it, Debian's
# chromium for its pictures and browser tests, three.js for its page (BUILD_DIR/view-npm) and
# puppeteer-core for the browser tests (BUILD_DIR/view-test-npm), both pinned by lock files.
ensure_view_packages() {
  ensure_packages libcpp-httplib-dev chromium fonts-dejavu-core
  npm_install_locked "$VANTOK_ROOT/tools/view" "$1/view-npm"
  npm_install_locked "$VANTOK_ROOT/tests/tools/view" "$1/view-test-npm"
}

# ensure_wine: wine for running the Windows builds, headless, in the prefix build-win/.wine.
# Some kernels cannot run 32-bit programs; there wine's 32-bit loader fails, so `wine` is pointed
# at the 64-bit loader (the x86_64 programs run as everywhere) and VANTOK_WINE32 is 0: the i686
# programs are built but cannot be run. Sets VANTOK_WINE32 to 1 or 0.
ensure_wine() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    vantok_apt_updated=0
  fi
  ensure_packages wine wine64 wine32:i386
  VANTOK_WINE32=1
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    VANTOK_WINE32=0
    local shim="$VANTOK_ROOT/build-win/wine64-only"
    mkdir -p "$shim"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/wine"
    chmod +x "$shim/wine"
    export PATH="$shim:$PATH" WINELOADER=/usr/lib/wine/wine64
    echo "note: this machine cannot run 32-bit programs: wine runs the x86_64 builds only;" \
      "the i686 builds are compiled but not run"
  fi
  export WINEPREFIX="$VANTOK_ROOT/build-win/.wine" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
  mkdir -p "$WINEPREFIX"
  # wine's services would inherit the caller's output pipe: start them detached first.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# ensure_gltf_validator BUILD_DIR: node, npm and the Khronos glTF validator at the version the
# lock file pins, installed into BUILD_DIR/gltf-validator for the tests labelled gltf.
ensure_gltf_validator() {
  local dir=$1/gltf-validator
  local source=$VANTOK_ROOT/tests/tools/dump/gltf
  if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    ensure_packages nodejs npm
  fi
  mkdir -p "$dir"
  if [ ! -d "$dir/node_modules/gltf-validator" ] || ! cmp -s "$source/package-lock.json" "$dir/package-lock.json"; then
    cp "$source/package.json" "$source/package-lock.json" "$dir/"
    (cd "$dir" && npm ci --no-audit --no-fund --ignore-scripts --prefer-offline >/dev/null)
  fi
}

# Compiler cache shared by every build folder and checkout of this machine: paths are made
# relative to the checkout, so a second checkout or build folder reuses the first one's objects.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$VANTOK_ROOT" CCACHE_NOHASHDIR=1
  VANTOK_LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
else
  VANTOK_LAUNCHER=()
fi

# configure_build DIR [cmake options...]: configures a Ninja build once, reconfigures on change.
configure_build() {
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$VANTOK_ROOT" -B "$dir" -G Ninja "${VANTOK_LAUNCHER[@]}" "$@" >/dev/null
  else
    cmake "$dir" "$@" >/dev/null
  fi
}
