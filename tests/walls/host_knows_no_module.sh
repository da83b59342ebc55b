#!/usr/bin/env bash
# The host knows no module: nothing in host/ names the module's file, its objects, their ids or
# its formula's variables. (The module announces itself through what it registers and publishes.)
set -uo pipefail
root="$1"
pattern='zorvantix|o3dplot|O3DPLOT|zvplot|ZVPlot|105534[9]|105545[78]|105548[4]|105551[4]|txzhrf|"t", *"x"'
if hits=$(grep -rInE "$pattern" "$root/host" --include='*.cpp' --include='*.h'); then
  echo "the host names the module:"
  echo "$hits"
  exit 1
fi
echo "host/ names no module"
