#!/bin/sh
# The jar is a real module: jlink makes a small runtime image of it, which
# lists a private configuration on its own.
#   jlink_image.sh JAR WORK_FOLDER
set -eu
jar=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
jdk=$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")
jlink --module-path "$jar:$jdk/jmods" --add-modules com.nq.odbc --no-header-files --no-man-pages \
    --output "$work/image"
sqlite=$(ls /usr/lib/*/odbc/libsqlite3odbc.so | head -n 1)
printf '[SQLite3]\nDriver=%s\n' "$sqlite" >"$work/odbcinst.ini"
: >"$work/odbc.ini"
: >"$work/user.ini"
out=$(ODBCSYSINI="$work" ODBCINI="$work/user.ini" "$work/image/bin/java" -Xcheck:jni \
    --enable-native-access=com.nq.odbc -Djava.io.tmpdir="$work" -m com.nq.odbc/com.nq.odbc.Main drivers 2>&1)
modules=$("$work/image/bin/java" --list-modules | tr '\n' ' ')
case "$out" in
    *WARNING*) status=1 ;;
    "DRIVER "*"SQLite3"*) status=0 ;;
    *) status=1 ;;
esac
case "$modules" in *"com.nq.odbc"*) ;; *) status=1 ;; esac
printf 'modules: %s\n%s\n' "$modules" "$out"
if [ $status -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $status
