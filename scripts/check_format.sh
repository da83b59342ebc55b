#!/usr/bin/env bash
# Checks that every C++ file of the project is laid out as .clang-format says; prints the files
# that are not and exits with 1. With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || { echo "$0: clang-format is needed (apt-get install clang-format)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf '%s\n' "${bad[@]}" >&2
  echo "${#bad[@]} files differ from .clang-format: scripts/check_format.sh --fix formats them" >&2
  exit 1
fi
echo "every C++ file is formatted"
