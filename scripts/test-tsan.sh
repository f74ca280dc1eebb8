#!/usr/bin/env bash
# Builds the tests of the parallel code with clang's thread sanitizer and runs them (ctest label
# "parallel": the parallel optimiser's unit tests, the document read while it loads, the
# triangles read on several threads, the conversions on 1, 2 and 8 threads and vantok-view's
# HTTP server tests, 8 clients at once among them).
source "$(dirname "$0")/common.sh"

ensure_build_packages
ensure_packages clang libclang-rt-14-dev libcpp-httplib-dev
CC=clang CXX=clang++ configure_build "$VANTOK_ROOT/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTOK_TSAN=ON -DVANTOK_WERROR=ON
cmake --build "$VANTOK_ROOT/build-tsan" -j "$VANTOK_JOBS" \
  --target vantok_parallel_mesh_test vantok_parallel_e2e_test vantok_parallel_scene_test xml_parallel_tests \
  vantok_view_server_test
cd "$VANTOK_ROOT/build-tsan"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --output-on-failure -L parallel --timeout 900
