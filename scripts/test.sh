#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite (ctest).
source "$(dirname "$0")/common.sh"

ensure_build_packages
ensure_view_packages "$VANTOK_ROOT/build"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
configure_build "$VANTOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOK_WERROR=$werror
cmake --build "$VANTOK_ROOT/build" -j "$VANTOK_JOBS"
ensure_gltf_validator "$VANTOK_ROOT/build"
cd "$VANTOK_ROOT/build"
ctest --output-on-failure -j "$VANTOK_JOBS" --timeout 600
