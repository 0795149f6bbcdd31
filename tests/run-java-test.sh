#!/bin/sh
# Runs JUnit test classes in a JVM that checks every JNI call, with the ODBC
# configuration in a fresh folder of the test's own. Any JNI warning fails the
# run: -Xcheck:jni prints its warnings on standard output.
#   run-java-test.sh WORK_FOLDER LIBRARY_FOLDER CLASS_PATH TEST_CLASS [JAVA_OPTION...]
set -eu
work=$1 library=$2 classpath=$3 class=$4
shift 4
rm -rf "$work"
mkdir -p "$work"
output="$work/output.txt"

status=0
env ODBCSYSINI="$work" ODBCINI="$work/user-odbc.ini" HOME="$work" \
    FAKE_ODBC_SCENARIO="$work/scenario.txt" FAKE_ODBC_LOG="$work/calls.log" \
    RIREVE_TEST_SETUP_LOG="$work/setup.log" \
    "${JAVA:-java}" -Xcheck:jni -Djava.library.path="$library" -Drireve.test.classpath="$classpath" "$@" \
    -jar "${JUNIT_CONSOLE:-/usr/share/java/junit-platform-console-standalone.jar}" \
    --class-path "$classpath" --select-class "$class" \
    --disable-banner --disable-ansi-colors --details=tree --fail-if-no-tests \
    >"$output" 2>&1 || status=$?
cat "$output"
if grep -n -E 'WARNING|FATAL ERROR|^Exception in thread|ERROR: [A-Za-z]+Sanitizer|runtime error:' "$output" >&2; then
    echo "the JNI check or a sanitizer reported the lines above" >&2
    exit 1
fi
exit "$status"
