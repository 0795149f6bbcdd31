#!/bin/sh
# The benchmark: installs what is missing, builds, measures every size and
# writes bench/results/results.md and bench/results/listing.png.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh bench
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DRIREVE_TESTS=OFF >/dev/null
fi
cmake --build build --parallel "$(nproc)" --target ri-reve RI-REVE probe-program cli-program listing-bench >/dev/null
exec /usr/bin/python3 bench/run.py --build build --results bench/results "$@"
