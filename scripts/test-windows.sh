#!/usr/bin/env bash
# Cross-builds both Windows targets (x86_64, i686) with mingw-w64 and runs the test suite under
# wine, headless: every test for x86_64; for i686 the program, the library, the platform
# layer's tests and the pmtrim DLL host check; for both, conversions with non-ASCII names
# through the real command line, compared byte for byte with the Linux build.
source "$(dirname "$0")/common.sh"

ensure_build_packages
ensure_packages googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686
ensure_wine
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

# The Linux program: the reference the Windows builds are compared with.
configure_build "$VANTOK_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$VANTOK_ROOT/build" -j "$VANTOK_JOBS" --target VantokMeshImporter

status=0
for target in x86_64 i686; do
  dir="$VANTOK_ROOT/build-win-$target"
  werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  configure_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$VANTOK_ROOT/cmake/mingw-$target.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVANTOK_WERROR=$werror
  # wine now and then fails to start a process under load ("Application could not be
  # started"): a test that fails is run again, up to twice, before it counts as failed.
  retry=(--repeat until-pass:3)
  if [ "$target" = x86_64 ]; then
    cmake --build "$dir" -j "$VANTOK_JOBS"
    (cd "$dir" && ctest --output-on-failure -j "$VANTOK_JOBS" --timeout 300 "${retry[@]}") || status=1
  else
    # i686: the program, the library and the toolkit tests (platform layer), the DLL host check.
    if [ "$VANTOK_WINE32" -eq 0 ]; then
      # The tests' list is read by running them, so only the program and the library are built.
      cmake --build "$dir" -j "$VANTOK_JOBS" --target VantokMeshImporter pmtrim pmtrim_host
      echo "i686: built; not run (this machine cannot run 32-bit programs)"
      continue
    fi
    cmake --build "$dir" -j "$VANTOK_JOBS" --target VantokMeshImporter pmtrim pmtrim_host \
      toolkit_tests
    (cd "$dir" && ctest --output-on-failure --timeout 300 -L dllhost --no-tests=error "${retry[@]}") || status=1
    (cd "$dir" && ctest --output-on-failure --timeout 300 -R '^(TextConversion|Platform)' "${retry[@]}") ||
      status=1
  fi
  # Non-ASCII names through the real command line, compared with the Linux build.
  bash "$VANTOK_ROOT/tests/cli/windows_names.sh" "$VANTOK_ROOT/build/bin/VantokMeshImporter" \
    "$dir/bin/VantokMeshImporter.exe" "$dir/windows-names" || status=1
done
exit $status
