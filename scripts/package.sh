#!/usr/bin/env bash
# Builds the packages into build-packages/, reusing the other scripts' build folders: the .deb
# from build/ (configured as scripts/test.sh does) and the Windows .zip files from
# build-win-x86_64 and build-win-i686 (configured as scripts/test-windows.sh does).
#   scripts/package.sh           builds vantok-tools_<version>_amd64.deb and the two zips
#   scripts/package.sh --check   then checks them: the program unpacked from the .deb, and under
#                                wine the .exe unpacked from each zip, convert every example to
#                                the Linux build's files (reference-name draws aside), and a
#                                LoadLibrary host loads each unpacked pmtrim.dll by its exports.
source "$(dirname "$0")/common.sh"

check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *)
    echo "usage: scripts/package.sh [--check]" >&2
    exit 2
    ;;
esac

ensure_build_packages
ensure_view_packages "$VANTOK_ROOT/build"
ensure_packages googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
out="$VANTOK_ROOT/build-packages"
rm -rf "$out"
mkdir -p "$out"

# build_targets DIR TARGET...: builds quietly; the build's output is shown when it fails.
build_targets() {
  local dir=$1
  shift
  if ! cmake --build "$dir" -j "$VANTOK_JOBS" --target "$@" >"$out/build.log" 2>&1; then
    cat "$out/build.log"
    exit 1
  fi
  rm -f "$out/build.log"
}

# cpack_into DIR GENERATOR: runs CPack in build folder DIR and moves its package into $out.
cpack_into() {
  local dir=$1 generator=$2
  if ! (cd "$dir" && cpack -G "$generator" -B "$out/staging" >"$out/cpack.log" 2>&1); then
    cat "$out/cpack.log"
    exit 1
  fi
  rm -f "$out/cpack.log"
  mv "$out"/staging/*.* "$out/"
  rm -rf "$out/staging"
}

echo "Packaging for Linux (build/)"
configure_build "$VANTOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOK_WERROR=$werror
build_targets "$VANTOK_ROOT/build" vantok_package_files vantok_output_compare
cpack_into "$VANTOK_ROOT/build" DEB

for target in x86_64 i686; do
  echo "Packaging for Windows (build-win-$target/)"
  dir="$VANTOK_ROOT/build-win-$target"
  configure_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$VANTOK_ROOT/cmake/mingw-$target.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVANTOK_WERROR=$werror
  build_targets "$dir" vantok_package_files pmtrim_host
  cpack_into "$dir" ZIP
done
ls -1 "$out"
[ "$check" -eq 1 ] || exit 0

# ---------------------------------------------------------------------------------------------
# --check
ensure_wine
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

compare="$VANTOK_ROOT/build/bin/vantok_output_compare"
status=0
fail() {
  echo "FAILED: $*"
  status=1
}

# convert_examples SIDE PROGRAM...: converts every example into $work/SIDE/<name>/, running in
# that folder with -outFile <name>, so no written reference holds a path separator.
convert_examples() {
  local side=$1 example name
  shift
  for example in "$VANTOK_ROOT"/examples/*.xml; do
    name=$(basename "$example" .xml)
    mkdir -p "$work/$side/$name"
    if ! (cd "$work/$side/$name" && "$@" -inFile "$example" -outFile "$name" \
      </dev/null >"$work/$side.$name.log" 2>&1); then
      fail "$side: converting $name"
      cat "$work/$side.$name.log"
    fi
  done
}

# same_as_linux SIDE: every example converted by SIDE matches the Linux build's files.
same_as_linux() {
  local side=$1 example name
  for example in "$VANTOK_ROOT"/examples/*.xml; do
    name=$(basename "$example" .xml)
    "$compare" "$work/linux/$name" "$work/$side/$name" || fail "$side: $name differs"
  done
}

convert_examples linux "$VANTOK_ROOT/build/bin/VantokMeshImporter"

deb=$(ls "$out"/*.deb)
dpkg -x "$deb" "$work/root"
convert_examples deb "$work/root/usr/bin/VantokMeshImporter"
same_as_linux deb
echo "checked $(basename "$deb")"

for target in x86_64 i686; do
  zip=$(ls "$out"/*-win$([ $target = x86_64 ] && echo 64 || echo 32).zip)
  mkdir -p "$work/unzip-$target"
  (cd "$work/unzip-$target" && cmake -E tar xf "$zip")
  top=$(echo "$work/unzip-$target"/*)
  for file in VantokMeshImporter.exe pmtrim.dll pmtrim.h pmtrim.def; do
    [ -f "$top/$file" ] || fail "$(basename "$zip") has no $file"
  done
  if [ "$target" = i686 ] && [ "$VANTOK_WINE32" -eq 0 ]; then
    echo "checked the files of $(basename "$zip"); not run (this machine cannot run 32-bit programs)"
    continue
  fi
  convert_examples "win-$target" wine "$top/VantokMeshImporter.exe"
  same_as_linux "win-$target"
  # The host loads pmtrim.dll from its own folder: the unpacked one.
  cp "$VANTOK_ROOT/build-win-$target/bin/pmtrim_host.exe" "$top/"
  (cd "$top" && wine pmtrim_host.exe </dev/null) || fail "$target: pmtrim_host"
  echo "checked $(basename "$zip")"
done
exit $status
