#!/bin/sh
# A build folder that the main job configured before the test tools were
# installed still builds and tests everything once they are:
#   configure_after_main_job.sh SOURCE WORK
# The first configure is the main job's (scripts/run.sh), with the cross
# compilers hidden as on a fresh machine; the second the test command's.
set -eu
source=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
build=$work/build
hidden="/usr/bin;/bin"
JAVA_HOME=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")") \
    cmake -S "$source" -B "$build" -DRIREVE_TESTS=OFF "-DCMAKE_IGNORE_PATH=$hidden" \
    "-DCMAKE_MAKE_PROGRAM=$(command -v make)" "-DCMAKE_C_COMPILER=$(readlink -f "$(command -v cc)")" \
    "-DCMAKE_CXX_COMPILER=$(readlink -f "$(command -v c++)")" >"$work/main-job.log" 2>&1 \
    || { cat "$work/main-job.log"; exit 1; }
grep -q "RIREVE_MINGW32:FILEPATH=RIREVE_MINGW32-NOTFOUND" "$build/CMakeCache.txt" \
    || { echo "the first configure found the cross compilers: nothing to check"; exit 1; }
cmake -S "$source" -B "$build" -DRIREVE_TESTS=ON -UCMAKE_IGNORE_PATH >"$work/test-job.log" 2>&1 \
    || { cat "$work/test-job.log"; exit 1; }
tests=$(cd "$build" && ctest -N)
status=0
for suite in windows.x86_64.natives windows.x86.natives java.linux-aarch64; do
    if echo "$tests" | grep -q ": $suite\$"; then
        echo "listed: $suite"
    else
        echo "missing: $suite"; status=1
    fi
done
grep -q '^RIREVE_WINDOWS:STRING=AUTO$' "$build/CMakeCache.txt" || { echo "RIREVE_WINDOWS is not AUTO"; status=1; }
exit $status
