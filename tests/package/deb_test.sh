#!/bin/sh
# The Debian package, as a user gets it: lintian finds no error in it; it
# installs with dpkg; the installed program lists drivers and data sources
# of a private configuration, tests a connection through the probe it finds
# in /usr/lib/ri-reve, has its manual page and its bash completion; and it
# purges, leaving the same packages installed as before.
#   deb_test.sh PACKAGE.deb VERSION WORK
# Skipped (77), saying why, when not root or without dpkg or lintian, and
# when a ri-reve package is installed already (the test would replace it).
set -eu
deb=$1 version=$2 work=$3

skip() { echo "skipped: $1"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
command -v dpkg >/dev/null || skip "dpkg is not installed"
command -v lintian >/dev/null || skip "lintian is not installed"
if dpkg-query -W -f='${Status}' ri-reve 2>/dev/null | grep -qv "not-installed"; then
    skip "a ri-reve package is installed already"
fi
[ ! -e /usr/lib/ri-reve ] && [ ! -e /usr/bin/ri-reve ] || skip "/usr/bin/ri-reve or /usr/lib/ri-reve exists already"

failures=0
check() {  # check WHAT COMMAND...: runs it, and counts a failure when it fails
    what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

echo "== lintian"
check "lintian reports no error" lintian --fail-on error --info --display-level '>=warning' "$deb"

packages() { dpkg-query -W -f='${Package}:${Architecture} ${Version} ${Status}\n' | LC_ALL=C sort; }
rm -rf "$work"
mkdir -p "$work"
packages >"$work/before"
trap 'dpkg --purge ri-reve >/dev/null 2>&1 || true' EXIT

echo "== dpkg -i"
dpkg -i "$deb"

# A private configuration: one driver (Debian's SQLite3 one), a system and a user data source.
sqlite=$(ls /usr/lib/*/odbc/libsqlite3odbc.so 2>/dev/null | head -n 1)
[ -n "$sqlite" ] || { echo "FAILED: Debian's SQLite3 ODBC driver (libsqliteodbc) is not installed"; exit 1; }
printf '[Packaged SQLite]\nDescription=SQLite3 for the package test\nDriver=%s\n' "$sqlite" >"$work/odbcinst.ini"
printf '[packaged-system]\nDriver=Packaged SQLite\nDatabase=%s/system.db\n' "$work" >"$work/odbc.ini"
printf '[packaged-user]\nDriver=Packaged SQLite\nDatabase=%s/user.db\n' "$work" >"$work/user.ini"
export ODBCSYSINI="$work" ODBCINI="$work/user.ini" HOME="$work"
unset RIREVE_PROBE || true
cd "$work"

echo "== the installed program"
check "ri-reve --version names $version" sh -c '/usr/bin/ri-reve --version | grep -F "$0"' "$version"
check "ri-reve drivers lists the private driver" sh -c '/usr/bin/ri-reve drivers | grep -F "Packaged SQLite"'
/usr/bin/ri-reve --json dsns >"$work/dsns.json" || true
check "ri-reve --json dsns lists both data sources with their scopes" python3 -c '
import json, sys
listed = {(d["name"], d["scope"], d["driver"]) for d in json.load(open(sys.argv[1]))}
sys.exit(listed != {("packaged-user", "user", "Packaged SQLite"), ("packaged-system", "system", "Packaged SQLite")})
' "$work/dsns.json"
check "ri-reve test connects through the probe in /usr/lib/ri-reve" /usr/bin/ri-reve test packaged-system
if grep -qs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then  # a slim image: dpkg installs no manual
    check "the package holds the manual page (dpkg here skips manuals)" sh -c 'dpkg-deb -c "$0" | grep -q "/usr/share/man/man1/ri-reve.1.gz$"' "$deb"
else
    check "man -w ri-reve finds the manual page" sh -c '[ "$(man -w ri-reve)" = /usr/share/man/man1/ri-reve.1.gz ]'
fi
# The completion as bash-completion loads it, from its folder by the command's name.
check "the bash completion completes dri to drivers" bash -c '
if [ -f /usr/share/bash-completion/bash_completion ]; then
    . /usr/share/bash-completion/bash_completion && __load_completion ri-reve
else
    . /usr/share/bash-completion/completions/ri-reve
fi
function=$(complete -p ri-reve | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
COMP_WORDS=(ri-reve dri) COMP_CWORD=1 COMP_LINE="ri-reve dri" COMP_POINT=11
"$function" ri-reve dri ri-reve
[ "${COMPREPLY[*]}" = drivers ]'

echo "== dpkg --purge"
dpkg --purge ri-reve
trap - EXIT
check "nothing of the package is left" sh -c '[ ! -e /usr/bin/ri-reve ] && [ ! -e /usr/lib/ri-reve ] && [ ! -e /usr/share/doc/ri-reve ]'
packages >"$work/after"
check "the same packages are installed as before" diff "$work/before" "$work/after"

echo "$failures failed"
[ "$failures" -eq 0 ]
