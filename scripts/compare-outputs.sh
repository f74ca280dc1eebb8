#!/usr/bin/env bash
# Converts the same inputs with this checkout and with another revision (default: the last
# landing before the pipeline restructuring) and compares every output file and the standard
# output byte for byte. The reference-name generator is seeded the same in both, so the .im files
# compare exactly.
#   scripts/compare-outputs.sh [REV]
source "$(dirname "$0")/common.sh"
ensure_build_packages
ensure_packages python3

rev=${1:-0cb9684}
work=$(mktemp -d)
trap 'git -C "$VANTOK_ROOT" worktree remove --force "$work/ref" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

# build_harness SRC BUILD: builds the converter libraries of SRC in BUILD and links the seeded
# entry against them.
build_harness() {
  local src=$1 build=$2
  CCACHE_BASEDIR="$src" cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTOK_TESTS=OFF "${VANTOK_LAUNCHER[@]}" >/dev/null
  CCACHE_BASEDIR="$src" cmake --build "$build" --target VantokMeshImporter -j "$VANTOK_JOBS" >/dev/null
  # shellcheck disable=SC2046
  g++ -std=c++20 -O1 -I"$src" "$VANTOK_ROOT/scripts/compare/seeded_convert.cpp" \
    -Wl,--start-group $(ls "$build"/lib/libvantok_*.a) -Wl,--end-group -lpthread \
    -o "$build/seeded_convert"
}

git -C "$VANTOK_ROOT" worktree add --detach "$work/ref" "$rev" >/dev/null 2>&1
build_harness "$work/ref" "$work/build-ref"
build_harness "$VANTOK_ROOT" "$VANTOK_ROOT/build-compare"

mkdir -p "$work/in" "$work/ref" "$work/new"
cp "$VANTOK_ROOT"/examples/*.xml "$work/in/"
python3 "$VANTOK_ROOT/scripts/compare/generate_inputs.py" "$work/in"

failed=0
count=0
for input in "$work"/in/*.xml; do
  name=$(basename "${input%.xml}")
  for side in ref new; do
    harness="$work/build-ref/seeded_convert"
    [ "$side" = new ] && harness="$VANTOK_ROOT/build-compare/seeded_convert"
    # both sides write to the same folder, so the logged paths are the same
    rm -rf "$work/run" && mkdir -p "$work/run"
    (cd "$work/run" && "$harness" 4242 -inFile "$input" -outFile "$work/run/$name" \
      >stdout.txt 2>stderr.txt; echo "exit $?" >>stdout.txt)
    # the run's duration is the one line that may differ
    sed -i 's/Process completed after .* with/Process completed after (time) with/' \
      "$work/run/stdout.txt"
    mv "$work/run" "$work/$side/$name"
  done
  if diff -r "$work/ref/$name" "$work/new/$name" >"$work/diff.txt"; then
    count=$((count + 1))
  else
    echo "DIFFERENT: $name"; head -20 "$work/diff.txt"; failed=1
  fi
done
files=$(find "$work/new" -type f | wc -l)
diagnostics=$(cat "$work"/new/*/stdout.txt | grep -c "BuildStripifyInfo" || true)
if [ $failed -eq 0 ]; then
  echo "compare-outputs: $count inputs, $files files (outputs, standard output, standard error) identical to $rev ($diagnostics strip diagnostic lines among them)"
fi
exit $failed
