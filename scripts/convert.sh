#!/usr/bin/env bash
# Builds VantokMeshImporter (installing what is missing) and converts an interchange file.
#   scripts/convert.sh                      converts the bundled example
#   scripts/convert.sh -inFile model.xml …  passes the options on to the program
source "$(dirname "$0")/common.sh"

ensure_build_packages
configure_build "$VANTOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$VANTOK_ROOT/build" --target VantokMeshImporter -j "$VANTOK_JOBS" >/dev/null

if [ $# -eq 0 ]; then
  example="$VANTOK_ROOT/examples/flag_skinned_global.xml"
  [ -f "$example" ] || example=$(ls "$VANTOK_ROOT"/examples/*.xml 2>/dev/null | head -n 1 || true)
  mkdir -p "$VANTOK_ROOT/out"
  set -- -inFile "${example:-$VANTOK_ROOT/examples/missing.xml}" \
         -outFile "$VANTOK_ROOT/out/$(basename "${example%.*}")"
fi
exec "$VANTOK_ROOT/build/bin/VantokMeshImporter" "$@"
