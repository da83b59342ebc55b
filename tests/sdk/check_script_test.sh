#!/usr/bin/env bash
# The real-SDK check, run against a fake SDK whose c4d.h refuses to compile: the script must find
# the fake headers rather than the stand-in's, compile every file of the module, count the errors
# and fail. (The real SDK cannot be fetched here; a developer who has it runs the script on it.)
set -uo pipefail
root="$1"
fake="$(mktemp -d)"
trap 'rm -rf "$fake"' EXIT
mkdir -p "$fake/cinema.framework/source/description" "$fake/cinema.framework/generated/hxx"
echo '#error "this is not the real SDK"' > "$fake/cinema.framework/source/c4d.h"
echo '#error "this is not the real SDK"' > "$fake/cinema.framework/source/ge_math.h"
out=$("$root/scripts/check_real_sdk.sh" "$fake")
status=$?
files=$(ls "$root"/source/*.cpp | wc -l)
count=$(tail -n 1 <<<"$out" | sed -n 's/^\([0-9][0-9]*\) errors$/\1/p')
if [ "$status" -ne 1 ] || [ -z "$count" ] || [ "$count" -lt "$files" ] ||
   ! grep -q 'not the real SDK' <<<"$out"; then
  echo "expected a failure with at least $files errors from the fake SDK; got status $status:"
  echo "$out"
  exit 1
fi
# A folder that is no SDK is refused as such.
if "$root/scripts/check_real_sdk.sh" "$fake/cinema.framework" >/dev/null 2>&1; [ $? -ne 2 ]; then
  echo "a folder without cinema.framework was not refused"
  exit 1
fi
echo "the check failed on the fake SDK as it must: $count errors in $files files"
