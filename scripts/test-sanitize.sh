#!/usr/bin/env bash
# Builds with clang's address and undefined-behaviour sanitizers and runs the whole test suite.
source "$(dirname "$0")/common.sh"

ensure_build_packages
ensure_packages clang libclang-rt-14-dev
CC=clang CXX=clang++ configure_build "$VANTOK_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DVANTOK_SANITIZE=ON -DVANTOK_WERROR=ON
cmake --build "$VANTOK_ROOT/build-asan" -j "$VANTOK_JOBS"
cd "$VANTOK_ROOT/build-asan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j "$VANTOK_JOBS" --timeout 900
