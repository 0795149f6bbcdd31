#!/bin/sh
# Installs what is needed, builds everything and runs every test. The last
# lines are ctest's summary.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DRIREVE_TESTS=ON
cmake --build build --parallel "$(nproc)"
cd build
ctest --output-on-failure --parallel "$(nproc)"
