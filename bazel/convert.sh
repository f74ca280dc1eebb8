#!/bin/bash
# One action of the asset rules, run by Bazel from the execution root with relative paths.
#
#   convert.sh convert CONVERTER SOURCE FOLDER LOG [OPTIONS...]
#       Converts SOURCE into FOLDER (a declared directory): the converter runs in FOLDER's parent
#       with `-outFile NAME/NAME` (NAME = FOLDER's last component), so the references it writes
#       read `NAME/<image>.texture`, as in the CMake module's folders.
#   convert.sh import IMPORTER MODEL XML LOG [OPTIONS...]
#       Writes the interchange file XML from MODEL with vantok-import.
#
# Everything the program prints goes to LOG. On failure the log is shown, the message names the
# source and the log, and the status is the program's. Paths handed to the programs stay
# relative, so neither the command lines nor the logs hold the machine's folders.
set -u

if [ $# -lt 5 ]; then
  echo "usage: convert.sh convert|import PROGRAM INPUT OUTPUT LOG [OPTIONS...]" >&2
  exit 2
fi
mode=$1 program=$2 input=$3 output=$4 log=$5
shift 5

case $mode in
  convert)
    parent=$(dirname "$output")
    name=$(basename "$output")
    # The way back from FOLDER's parent to the execution root, for the program and the source.
    up=$(echo "$parent" | sed -e 's#[^/][^/]*#..#g')
    mkdir -p "$output"
    (cd "$parent" && "$up/$program" -inFile "$up/$input" -outFile "$name/$name" "$@") \
      >"$log" 2>&1
    status=$?
    what=Converting
    ;;
  import)
    "$program" "$input" -o "$output" "$@" >"$log" 2>&1
    status=$?
    what=Importing
    ;;
  *)
    echo "convert.sh: unknown mode '$mode'" >&2
    exit 2
    ;;
esac

if [ $status -ne 0 ]; then
  cat "$log" >&2
  echo "$what $input failed (exit status $status); log: $log" >&2
  exit 1
fi
