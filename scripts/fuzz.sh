#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each briefly from its seed corpus.
#   scripts/fuzz.sh [seconds per target, default 20]
source "$(dirname "$0")/common.sh"

seconds=${1:-20}
ensure_build_packages
ensure_packages clang libclang-rt-14-dev
CC=clang CXX=clang++ configure_build "$VANTOK_ROOT/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTOK_FUZZ=ON -DVANTOK_TESTS=OFF
cmake --build "$VANTOK_ROOT/build-fuzz" -j "$VANTOK_JOBS"
shopt -s nullglob
for target in "$VANTOK_ROOT"/build-fuzz/fuzzers/*; do
  name=$(basename "$target")
  corpus="$VANTOK_ROOT/fuzz/corpus/$name"
  work=$(mktemp -d)
  dict=()
  [ -f "$VANTOK_ROOT/fuzz/$name.dict" ] && dict=(-dict="$VANTOK_ROOT/fuzz/$name.dict")
  echo "== $name (${seconds}s)"
  (cd "$work" && "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=0 "${dict[@]}" "$work" "$corpus" 2>&1 | tail -n 3)
  rm -rf "$work"
done
