#!/usr/bin/env bash
# Runs the Windows build under wine and the Linux build on the same inputs, through the real
# command line, with input, output, folder, texture and animation names in Latin-1 accents,
# Greek and CJK characters, and an input with number errors; every run must convert, end with
# its summary line, and leave the same files with the same bytes as the Linux run.
#
#   windows_names.sh LINUX_PROGRAM WINDOWS_PROGRAM WORK_FOLDER
#
# Compared as they are: the file names, every .kin and descriptor, standard error. Compared
# after masking what may differ: the path separators inside the .im files (rewritten texture
# names join the output folder with the platform's separator) and on standard output, the
# elapsed time of the summary, and CRLF line ends of the Windows console streams. Material
# names hold "m.", so reference names carry no random part. wine must be set up by the caller
# (WINEPREFIX, services started).
set -euo pipefail

linux_program=$(realpath "$1")
windows_program=$(realpath "$2")
work=$3
source_dir=$(cd "$(dirname "$0")/../.." && pwd)/examples
# wine turns the command line and file names from this locale's UTF-8 into UTF-16
export LC_ALL=C.UTF-8

folder='modèle_日本'
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# The inputs, made from the examples: non-ASCII material, texture and animation names.
make_inputs() {
  local dir=$1/$folder
  mkdir -p "$dir/Ärmel"
  sed -e 's|<name>cloth</name>|<name>m.tüch_ü</name>|' \
      -e 's|flag.tga|fahne_ö.tga|' -e 's|<name>wave</name>|<name>Lauf_ß</name>|' \
      "$source_dir/flag_skinned_global.xml" > "$dir/figür.xml"
  sed -e 's|<name>wood</name>|<name>m.holz_é</name>|' \
      -e 's|<name>stone.tbump</name>|<name>m.πέτρα.tbump</name>|' \
      -e 's|<name>paint</name>|<name>m.塗料</name>|' -e 's|textures\\stone|textures\\石|g' \
      -e 's|textures\\wood|textures\\holz_é|g' \
      "$source_dir/crate_static_materials.xml" > "$dir/κιβώτιο.xml"
  sed -e 's|<name>skin</name>|<name>m.skin</name>|' -e 's|<name>bend</name>|<name>Ελληνικά_曲げ</name>|' \
      "$source_dir/arm_local_matrix_axisangle.xml" > "$dir/腕.xml"
  # a stray letter in positions: lexer errors, reported on standard error, the run goes on
  sed -e 's|<position>2, 0, 0</position>|<position>2, 1x, 0</position>|' \
      -e 's|<position>0, 1, 0</position><normal>|<position>0, y1, 0</position><normal>|' \
      "$dir/figür.xml" > "$dir/fehler_ä.xml"
}

# run PLATFORM NAME ARGS...: one conversion in WORK/PLATFORM, its streams and status kept.
run() {
  local platform=$1 name=$2
  shift 2
  local program=$linux_program
  local launcher=()
  if [ "$platform" = windows ]; then
    program=$windows_program
    launcher=(wine)
  fi
  local status=0
  (cd "$work/$platform" && "${launcher[@]}" "$program" "$@" \
      >"$work/$platform.$name.out" 2>"$work/$platform.$name.err" </dev/null) || status=$?
  echo "$status" > "$work/$platform.$name.status"
}

# The console text with CRLF, separators and the elapsed time masked.
masked_console() {
  tr -d '\r' < "$1" | tr '\\' '/' | sed -e 's/Process completed after .* with /Process completed after * with /'
}

rm -rf "$work"
mkdir -p "$work/linux" "$work/windows"
for platform in linux windows; do
  make_inputs "$work/$platform"
  run "$platform" flag -inFile "$folder/figür.xml" -outFile "$folder/αβγ_日本"
  run "$platform" crate -inFile "$folder/κιβώτιο.xml"
  run "$platform" arm -inFile "$folder/腕.xml" -outFile "$folder/Ärmel/arm"
  run "$platform" errors -inFile "$folder/fehler_ä.xml" -outFile "$folder/fehler_out"
  VANTOK_NO_DIALOGS=1 run "$platform" nodialogs -inFile "$folder/fehler_ä.xml" \
    -outFile "$folder/ohne_dialog"
done

for name in flag crate arm errors nodialogs; do
  linux_status=$(cat "$work/linux.$name.status")
  windows_status=$(cat "$work/windows.$name.status")
  [ "$linux_status" = "$windows_status" ] || fail "$name: exit status $windows_status, Linux $linux_status"
  if ! tail -n 1 "$work/windows.$name.out" | tr -d '\r' | grep -q '^Info: Process completed after .* with .* errors and .* warnings$'; then
    fail "$name: no summary line; standard output was:"
    cat "$work/windows.$name.out"
  fi
  if ! cmp -s <(masked_console "$work/linux.$name.out") <(masked_console "$work/windows.$name.out"); then
    fail "$name: standard output differs"
    diff <(masked_console "$work/linux.$name.out") <(masked_console "$work/windows.$name.out") | head -20 || true
  fi
  if ! cmp -s "$work/linux.$name.err" <(tr -d '\r' < "$work/windows.$name.err"); then
    fail "$name: standard error differs"
    diff "$work/linux.$name.err" <(tr -d '\r' < "$work/windows.$name.err") | head -20 || true
  fi
done
# the box texts went to standard error, in order, one line each
[ "$(grep -c '^Parse Error file: , line 1: ' "$work/windows.errors.err" || true)" -ge 2 ] ||
  fail "errors: the parse errors are missing from standard error"

# The same files under the same names, with the same bytes.
listing() { (cd "$1" && find . -type f | LC_ALL=C sort); }
if ! cmp -s <(listing "$work/linux") <(listing "$work/windows"); then
  fail "the files written differ"
  diff <(listing "$work/linux") <(listing "$work/windows") || true
fi
while IFS= read -r file; do
  [ -f "$work/windows/$file" ] || continue
  case "$file" in
    *.im) same=$(cmp -s <(tr '\\' '/' < "$work/linux/$file") <(tr '\\' '/' < "$work/windows/$file") && echo y || echo n) ;;
    *) same=$(cmp -s "$work/linux/$file" "$work/windows/$file" && echo y || echo n) ;;
  esac
  [ "$same" = y ] || fail "$file: bytes differ"
done < <(listing "$work/linux")
# the names the user gave are the names on disk
for expected in "$folder/αβγ_日本.im" "$folder/Lauf_ß.kin" "$folder/fahne_ö.texture.txt" \
                "$folder/κιβώτιο.im" "$folder/Ärmel/Ελληνικά_曲げ.kin" "$folder/石.texture.txt"; do
  [ -f "$work/windows/$expected" ] || fail "missing $expected"
done

count=$(listing "$work/linux" | wc -l)
if [ "$failures" -eq 0 ]; then
  echo "windows names: 5 runs, $count files identical to the Linux build"
fi
[ "$failures" -eq 0 ]
