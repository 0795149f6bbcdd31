#!/bin/sh
# Installs what a job needs on Debian 12, and nothing when all of it is there
# already:
#   setup.sh run    building and running: compiler, CMake, a JDK, unixODBC,
#                   and Debian's SQLite3 ODBC driver, so that even a fresh
#                   machine has a real driver to list
#   setup.sh bench  the above, and pyodbc and matplotlib for the benchmark
#   setup.sh test   the above, and every test's tools: other drivers, JUnit,
#                   GoogleTest, clang, mingw-w64 and Wine for Windows with
#                   the i386 driver manager and SQLite3 driver for 32-bit
#                   Wine (not unixodbc:i386, which would replace the amd64
#                   tools), the AArch64 cross compiler with an arm64 JVM
#                   under qemu-user, Maven
set -eu
job=${1:-test}

run="cmake g++ make openjdk-17-jdk-headless unixodbc unixodbc-dev odbcinst libsqliteodbc"
bench="$run python3 python3-pyodbc python3-matplotlib"
test="$bench odbc-postgresql odbc-mariadb junit5 libgtest-dev
  clang libclang-rt-14-dev clang-tidy cppcheck
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine32 wine64 libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386
  g++-aarch64-linux-gnu unixodbc-dev:arm64 qemu-user openjdk-17-jre-headless:arm64
  maven libmaven-compiler-plugin-java libmaven-resources-plugin-java"
case "$job" in
    run) packages=$run ;;
    bench) packages=$bench ;;
    test) packages=$test ;;
    *) echo "usage: setup.sh run|bench|test" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
# Wine runs the 32-bit Windows tests (wine32 is an i386 package), and the
# AArch64 build links unixODBC for arm64.
if [ "$job" = test ]; then
    for architecture in i386 arm64; do
        dpkg --print-foreign-architectures | grep -qx "$architecture" || $sudo dpkg --add-architecture "$architecture"
    done
fi

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi
