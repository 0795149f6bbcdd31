#!/bin/sh
# Installs what a job needs on Debian 12, and nothing when all of it is there
# already:
#   setup.sh run    building and running: compiler, CMake, a JDK, unixODBC,
#                   nlohmann-json (the configuration as code reads JSON),
#                   and Debian's SQLite3 ODBC driver, so that even a fresh
#                   machine has a real driver to list
#   setup.sh bench  the above, and pyodbc and matplotlib for the benchmark
#   setup.sh test   the above, and every test's tools: other drivers and the
#                   PostgreSQL and MariaDB servers they connect to, Ansible
#                   (the collection's playbooks run against it), JUnit,
#                   GoogleTest, clang, mingw-w64 and Wine for Windows with
#                   the i386 driver manager and SQLite3 driver for 32-bit
#                   Wine (not unixodbc:i386, which would replace the amd64
#                   tools), the AArch64 cross compiler with an arm64 JVM
#                   under qemu-user, Maven, and dpkg-dev, lintian, man-db
#                   and bash-completion for the Debian package and its test
set -eu
job=${1:-test}

run="cmake g++ make openjdk-17-jdk-headless unixodbc unixodbc-dev odbcinst libsqliteodbc libcli11-dev nlohmann-json3-dev"
bench="$run python3 python3-pyodbc python3-matplotlib"
test="$bench odbc-postgresql odbc-mariadb postgresql mariadb-server junit5 libgtest-dev acl ansible-core
  clang libclang-rt-14-dev clang-tidy cppcheck
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 g++-aarch64-linux-gnu qemu-user
  maven libmaven-compiler-plugin-java libmaven-resources-plugin-java
  dpkg-dev lintian man-db bash-completion"
# Packages of another architecture, each set installed on its own: a mirror
# caught mid-sync can leave one architecture's lists behind the machine's
# own, and then only the suites that need that set are skipped (they say so)
# rather than every test failing to start.
i386="wine32 libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386"
arm64="unixodbc-dev:arm64 openjdk-17-jre-headless:arm64"
case "$job" in
    run) packages=$run; foreign="" ;;
    bench) packages=$bench; foreign="" ;;
    test) packages=$test; foreign="i386 arm64" ;;
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

# The package lists, fetched again when a mirror is caught mid-sync (a list
# of an unexpected size), which passes within a minute or so.
update_lists() {
    for attempt in 1 2 3 4 5; do
        $sudo apt-get update -q && return 0
        echo "apt-get update failed (attempt $attempt of 5); trying again in $((attempt * 15)) s" >&2
        sleep $((attempt * 15))
    done
    echo "apt-get update kept failing; installing from the package lists already here" >&2
}

missing_of() {
    missing=""
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing="$missing $package"
    done
}

install_missing() {
    echo "Installing:$missing"
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}

# shellcheck disable=SC2086
missing_of $packages
updated=no
if [ -n "$missing" ]; then
    update_lists
    updated=yes
    install_missing
fi
for set in $foreign; do
    eval "set_packages=\$$set"
    # shellcheck disable=SC2086
    missing_of $set_packages
    [ -n "$missing" ] || continue
    [ "$updated" = yes ] || { update_lists; updated=yes; }
    install_missing || echo "Could not install the $set packages:$missing; the suites that need them are skipped" >&2
done

# Where the kernel runs no 32-bit code (IA-32 emulation off), 32-bit Wine runs
# under qemu-i386, and only qemu 10 or newer runs it well (bookworm's 7.2
# takes MAP_FIXED_NOREPLACE as a hint, and Wine hangs): qemu-user from the
# bookworm-backports suite of the Debian archive the machine already uses.
# Nothing is registered here: the Wine tests register qemu-i386 in a private
# binfmt_misc instance of their own (tests/windows/wine.py), so the rest of
# the machine keeps running its programs as before.
if [ "$job" = test ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    qemu=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
    if ! dpkg --compare-versions "${qemu:-0}" ge 1:10; then
        archive=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian\/*\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
        archive=${archive:-$(sed -n 's/^deb[[:space:]]\+\(http[^[:space:]]*debian\/*\)[[:space:]]\+bookworm[[:space:]].*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)}
        archive=${archive:-http://deb.debian.org/debian}
        printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$archive" | $sudo tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
        echo "Installing: qemu-user from bookworm-backports (this machine runs no 32-bit code)"
        update_lists
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends -t bookworm-backports qemu-user
    fi
fi
