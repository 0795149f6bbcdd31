#!/bin/sh
# Two clean builds of the same sources, in two folders of different names,
# must give byte-identical jars and Maven artifacts.
#   reproducible_build.sh SOURCE_FOLDER WORK_FOLDER
set -eu
source=$1 work=$2
rm -rf "$work"
for build in "$work/first" "$work/second-build"; do
    cmake -S "$source" -B "$build" -DRIREVE_TESTS=OFF >/dev/null
    cmake --build "$build" --parallel "$(nproc)" --target ri-reve maven-repository >/dev/null
done
if diff -r "$work/first/maven" "$work/second-build/maven" && cmp "$work/first/ri-reve.jar" "$work/second-build/ri-reve.jar"
then
    echo "1 passed, 0 failed"
else
    echo "FAILED: the two builds differ"
    echo "0 passed, 1 failed"
    exit 1
fi
