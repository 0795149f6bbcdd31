#!/bin/sh
# The main job: installs what building and running need, builds, and prints
# this machine's ODBC drivers and data sources through the library.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh run
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DRIREVE_TESTS=OFF >/dev/null
fi
cmake --build build --parallel "$(nproc)" --target ri-reve >/dev/null
java -jar build/ri-reve.jar drivers
echo
java -jar build/ri-reve.jar dsns
