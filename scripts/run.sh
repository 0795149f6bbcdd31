#!/bin/sh
# The main job: installs what is missing, builds if needed, and prints this
# machine's ODBC drivers and data sources through the library.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ ! -f build/ri-reve.jar ] || [ ! -f build/libRI-REVE.so ]; then
    cmake -S . -B build >/dev/null
fi
cmake --build build --parallel "$(nproc)" --target ri-reve RI-REVE >/dev/null
java -jar build/ri-reve.jar drivers
echo
java -jar build/ri-reve.jar dsns
