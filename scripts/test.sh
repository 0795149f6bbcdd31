#!/bin/sh
# Installs what is needed, builds everything and runs every test: the fuzz
# targets (clang, libFuzzer), the sanitizer build, then the main build with
# static analysis and the Windows DLLs tested under Wine. Every run goes on
# whatever an earlier one came to; the last lines count the tests that
# passed, failed and were skipped per label, over all three.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)
status=0

echo "== Fuzzing (build-fuzz)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DRIREVE_FUZZ=ON -DRIREVE_WINDOWS=OFF >/dev/null
cmake --build build-fuzz --parallel "$jobs" >/dev/null
(cd build-fuzz && ctest --output-on-failure --output-junit junit.xml) || status=1

echo "== AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)"
cmake -S . -B build-asan -DRIREVE_SANITIZE=ON -DRIREVE_WINDOWS=OFF >/dev/null
cmake --build build-asan --parallel "$jobs" >/dev/null
(cd build-asan && ctest --output-on-failure --output-junit junit.xml --parallel "$jobs" --label-exclude static \
    --exclude-regex 'jdk|bench|maven|aarch64|windows|jlink') || status=1

echo "== Main build (build)"
# AUTO, whatever an earlier configure (the main job's, say) left in the cache:
# every suite whose tools are installed is built and run.
cmake -S . -B build -DRIREVE_TESTS=ON -DRIREVE_WINDOWS=AUTO -DRIREVE_LINUX_AARCH64=AUTO
cmake --build build --parallel "$jobs"
(cd build && ctest --output-on-failure --output-junit junit.xml --parallel "$jobs") || status=1

echo "== Summary"
python3 tests/summarize_labels.py build-fuzz build-asan build || status=1
exit $status
