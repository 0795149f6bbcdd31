#!/bin/sh
# Installs what building and testing need on Debian 12, and nothing when all
# of it is there already. Debian's SQLite3 ODBC driver comes with it, so that
# even a fresh machine has a real driver to list.
set -eu

packages="cmake g++ make openjdk-17-jdk-headless unixodbc unixodbc-dev odbcinst
  libsqliteodbc odbc-postgresql odbc-mariadb junit5 libgtest-dev python3 python3-pyodbc python3-matplotlib
  clang libclang-rt-14-dev clang-tidy cppcheck
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine32 wine64"

# Wine runs the 32-bit Windows tests, and wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    if [ "$(id -u)" -ne 0 ]; then sudo dpkg --add-architecture i386; else dpkg --add-architecture i386; fi
fi

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
        || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi
