#!/bin/sh
# Installs what is needed, builds everything and runs every test: the fuzz
# targets (clang, libFuzzer), the sanitizer build, then the main build with
# static analysis and the Windows DLLs tested under Wine. The last lines are
# the main run's ctest summary.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)

echo "== Fuzzing (build-fuzz)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DRIREVE_FUZZ=ON -DRIREVE_WINDOWS=OFF >/dev/null
cmake --build build-fuzz --parallel "$jobs" >/dev/null
(cd build-fuzz && ctest --output-on-failure)

echo "== AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)"
cmake -S . -B build-asan -DRIREVE_SANITIZE=ON -DRIREVE_WINDOWS=OFF >/dev/null
cmake --build build-asan --parallel "$jobs" >/dev/null
(cd build-asan && ctest --output-on-failure --parallel "$jobs" --label-exclude static --exclude-regex 'jdk|bench|maven|aarch64')

echo "== Main build (build)"
cmake -S . -B build -DRIREVE_TESTS=ON
cmake --build build --parallel "$jobs"
cd build
ctest --output-on-failure --parallel "$jobs"
