#!/usr/bin/env bash
# Builds and runs one benchmark: installs the benchmark packages (Google Benchmark, and the
# peers pugixml and expat), configures build-bench/ as Release with -DVANTOK_BENCH=ON, builds
# the named benchmark and runs it with the remaining arguments.
#   bash scripts/bench.sh xml_load_bench [--benchmark_filter=...]
#   bash scripts/bench.sh convert_bench [--with-1m] [--shared-file=PATH]
source "$(dirname "$0")/common.sh"

if [ $# -lt 1 ]; then
  echo "usage: bash scripts/bench.sh NAME [arguments...]" >&2
  echo "benchmarks: $(cd "$VANTOK_ROOT/bench" && ls *.cpp | sed 's/\.cpp$//' | tr '\n' ' ')" >&2
  exit 2
fi
name=$1
shift

ensure_build_packages
ensure_packages libbenchmark-dev libpugixml-dev libexpat1-dev libmeshoptimizer-dev
configure_build "$VANTOK_ROOT/build-bench" -DCMAKE_BUILD_TYPE=Release -DVANTOK_BENCH=ON \
  -DVANTOK_TESTS=OFF
targets=("$name")
# The conversion benchmark measures the built program in a child process.
[ "$name" = "convert_bench" ] && targets+=(VantokMeshImporter)
cmake --build "$VANTOK_ROOT/build-bench" -j "$VANTOK_JOBS" --target "${targets[@]}"
cd "$VANTOK_ROOT/build-bench"
exec "./bin/$name" "$@"
