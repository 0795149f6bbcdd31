#!/bin/sh
# Makes the Debian package of the command line from a build folder:
#   make_deb.sh SOURCE BUILD VERSION URL STRIP OUTPUT.deb
# The build folder holds bin/ri-reve and bin/ri-reve-probe, ri-reve.1 and
# ri-reve.bash-completion. The version must be the changelog's latest; the
# maintainer, and every file's date, are the changelog's too, so that two
# builds of the same sources give the same package. The dependencies are
# dpkg-shlibdeps's, and libodbcinst2, which the programs load by name.
set -eu
source=$1 build=$2 version=$3 url=$4 strip=$5 output=$6
here=$source/packaging/debian
changelog=$here/changelog

logged=$(dpkg-parsechangelog -l "$changelog" -SVersion)
[ "$logged" = "$version" ] || {
    echo "packaging/debian/changelog's latest entry is $logged, the project's version $version: add an entry" >&2
    exit 1
}
maintainer=$(dpkg-parsechangelog -l "$changelog" -SMaintainer)
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -STimestamp)
export SOURCE_DATE_EPOCH

work=$(dirname "$output")/deb-staging
rm -rf "$work"
stage=$work/debian/ri-reve
umask 022
mkdir -p "$stage/DEBIAN" "$stage/usr/bin" "$stage/usr/lib/ri-reve" "$stage/usr/share/man/man1" \
    "$stage/usr/share/bash-completion/completions" "$stage/usr/share/doc/ri-reve"

install -m 755 "$build/bin/ri-reve" "$stage/usr/bin/ri-reve"
install -m 755 "$build/bin/ri-reve-probe" "$stage/usr/lib/ri-reve/ri-reve-probe"
for program in "$stage/usr/bin/ri-reve" "$stage/usr/lib/ri-reve/ri-reve-probe"; do
    "$strip" --remove-section=.comment --remove-section=.note "$program"
done
gzip -9n <"$build/ri-reve.1" >"$stage/usr/share/man/man1/ri-reve.1.gz"
install -m 644 "$build/ri-reve.bash-completion" "$stage/usr/share/bash-completion/completions/ri-reve"
sed -e "s|@MAINTAINER@|$maintainer|" -e "s|@URL@|$url|" "$here/copyright.in" >"$stage/usr/share/doc/ri-reve/copyright"
gzip -9n <"$changelog" >"$stage/usr/share/doc/ri-reve/changelog.gz"
chmod 644 "$stage/usr/share/man/man1/ri-reve.1.gz" "$stage/usr/share/doc/ri-reve/copyright" \
    "$stage/usr/share/doc/ri-reve/changelog.gz"

# dpkg-shlibdeps reads the package's name from a debian/control of its own.
printf 'Source: ri-reve\n\nPackage: ri-reve\nArchitecture: any\n' >"$work/debian/control"
shlibs=$(cd "$work" && dpkg-shlibdeps -O -e"$stage/usr/bin/ri-reve" -e"$stage/usr/lib/ri-reve/ri-reve-probe")
depends="${shlibs#shlibs:Depends=}, libodbcinst2"

size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
cat >"$stage/DEBIAN/control" <<CONTROL
Package: ri-reve
Version: $version
Architecture: $(dpkg --print-architecture)
Maintainer: $maintainer
Installed-Size: $size
Depends: $depends
Section: utils
Priority: optional
Homepage: $url
Description: ODBC configuration on the command line
 ri-reve lists the machine's ODBC drivers and data sources (unixODBC),
 registers and removes them, shows the driver manager's settings and file
 data sources, tests one connection in a process of its own and diagnoses
 every driver's library. Every command can answer in JSON.
CONTROL
(cd "$stage" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
find "$stage" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$stage" "$output" >/dev/null
echo "Wrote $output ($depends)"
