#!/usr/bin/env bash
# Sets up, builds and writes the default plot (the runner's full plot: surface, cage, grid and
# labels): plot.html (open it in a browser) and plot.glb. Options are passed on to the runner.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target zvplot
./build/zvplot -o plot.html -o plot.glb "$@"
echo "Wrote plot.html (open it in a browser) and plot.glb."
