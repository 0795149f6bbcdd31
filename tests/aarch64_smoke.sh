#!/bin/sh
# The jar on Linux AArch64: Debian's arm64 JVM under qemu-user loads the
# bundled AArch64 library and lists a private configuration, checking its JNI use.
#   aarch64_smoke.sh JAR WORK_FOLDER
set -eu
jar=$1 work=$2
java=/usr/lib/jvm/java-17-openjdk-arm64/bin/java
if ! command -v qemu-aarch64 >/dev/null || [ ! -x "$java" ]; then
    echo "skipped: needs qemu-user and openjdk-17-jre-headless:arm64"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work"
printf '[SQLite3]\nDriver=/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so\n' >"$work/odbcinst.ini"
printf '[demo]\nDriver=SQLite3\n' >"$work/user.ini"
printf '[shared]\nDriver=Gone\n' >"$work/odbc.ini"
out=$(ODBCSYSINI="$work" ODBCINI="$work/user.ini" qemu-aarch64 -L / "$java" -Xcheck:jni \
    -Djava.io.tmpdir="$work" -jar "$jar" dsns 2>&1)
expected=$(printf 'NAME    SCOPE   DRIVER\ndemo    user    SQLite3\nshared  system  Gone (not installed)')
if [ "$out" = "$expected" ]; then
    echo "1 passed, 0 failed"
else
    printf 'expected:\n%s\ngot:\n%s\n0 passed, 1 failed\n' "$expected" "$out"
    exit 1
fi
