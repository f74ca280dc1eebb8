#!/usr/bin/env bash
# Formats the C++ sources with the repository's .clang-format, or with --check only reports the
# files that are not formatted (exit 1 when there is any).
source "$(dirname "$0")/common.sh"
ensure_packages clang-format
cd "$VANTOK_ROOT"
mapfile -t files < <(git ls-files '*.h' '*.hpp' '*.cpp' '*.cc')
if [ "${1:-}" = "--check" ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
      echo "not formatted: $f"
      bad=1
    fi
  done
  [ $bad -eq 0 ] && echo "format check: ${#files[@]} files formatted"
  exit $bad
fi
clang-format -i "${files[@]}"
