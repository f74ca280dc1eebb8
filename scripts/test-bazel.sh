#!/usr/bin/env bash
# The Bazel rules (bazel/, examples/bazel) with a shared HTTP cache: installs Debian's Bazel and
# nginx, builds the converter, the importer and the folder comparison, and runs the test labelled
# `bazel` (tests/packaging/BazelAssetTest.sh: nginx on a loopback port as the cache, two machines,
# the CMake module's outputs as reference; it stops every server it starts). Prints the times.
source "$(dirname "$0")/common.sh"

ensure_build_packages
ensure_packages bazel-bootstrap nginx-light curl
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
configure_build "$VANTOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOK_WERROR=$werror
cmake --build "$VANTOK_ROOT/build" -j "$VANTOK_JOBS" \
  --target VantokMeshImporter vantok-import vantok_output_compare
cd "$VANTOK_ROOT/build"
VANTOK_BAZEL_TEST=1 ctest -L bazel --output-on-failure --verbose --timeout 900
