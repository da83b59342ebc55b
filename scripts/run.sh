#!/usr/bin/env bash
# Sets up, builds and evaluates the default plot, writing its JSON dump plot.json.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zvplot
./build/zvplot --dump plot.json "$@"
echo "Wrote plot.json: the evaluated default plot (see README for its fields)."
