#!/usr/bin/env bash
# Compiles every file of the module (source/) against a real SDK of the host, with the stand-in
# host's headers off the include path, and prints the errors and their count ("N errors"). Exits
# with 1 when there is any error, 2 when it cannot run.
#
#   scripts/check_real_sdk.sh SDK_FRAMEWORKS_DIR
#
# SDK_FRAMEWORKS_DIR is the SDK's "frameworks" folder with its generated files (each
# NAME.framework/source and NAME.framework/generated/hxx). The SDK's headers need clang (GCC 12
# cannot parse them); the flags are those the SDK's own build gives a plug-in.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 SDK_FRAMEWORKS_DIR (the SDK's frameworks folder)" >&2
  exit 2
fi
sdk="$(cd "$1" && pwd)"
compiler="${CXX_FOR_SDK:-clang++}"
if ! command -v "$compiler" >/dev/null 2>&1; then
  echo "$0: $compiler is needed (apt-get install clang)" >&2
  exit 2
fi
if [ ! -d "$sdk/cinema.framework/source" ]; then
  echo "$0: $sdk has no cinema.framework/source: not an SDK frameworks folder" >&2
  exit 2
fi

includes=(-I"$root/source" -I"$root/res" -I"$root/res/description")
for framework in "$sdk"/*.framework; do
  includes+=(-I"$framework/source" -I"$framework/generated/hxx")
done
# The classic API's headers include each other by name from their subfolders.
while IFS= read -r dir; do includes+=(-I"$dir"); done \
  < <(find "$sdk/cinema.framework/source" -mindepth 1 -type d | sort)

total=0
for file in "$root"/source/*.cpp; do
  out=$("$compiler" -std=c++17 -fsyntax-only -ferror-limit=0 -DUSE_API_MAXON \
    -DMAXON_MODULE_ID='"net.zorvantix.plot"' -DMAXON_TARGET_64BIT "${includes[@]}" "$file" 2>&1)
  errors=$(grep -c "error:" <<<"$out")
  if [ "$errors" -gt 0 ]; then
    grep "error:" <<<"$out" | sed "s|$root/||"
  fi
  total=$((total + errors))
done
echo "$total errors"
[ "$total" -eq 0 ]
