#!/bin/sh
# Builds the example project against the Maven repository that the build
# wrote, with Debian's Maven and its packaged plugins and nothing from the
# network, then runs it on the jar Maven resolved, against a private ODBC
# configuration.
#   run.sh MAVEN_REPOSITORY VERSION WORK_FOLDER
set -eu
repository=$1 version=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cp -r "$(dirname "$0")/pom.xml" "$(dirname "$0")/src" "$work/"
cat >"$work/settings.xml" <<XML
<settings>
  <localRepository>$work/local-repository</localRepository>
  <mirrors>
    <mirror><id>debian</id><mirrorOf>*,!ri-reve</mirrorOf><url>file:///usr/share/maven-repo</url></mirror>
  </mirrors>
</settings>
XML
cd "$work"
python3 "$(dirname "$0")/check_pom.py" "$repository/com/nq/odbc/ri-reve/$version/ri-reve-$version.pom"
# A version range: resolved through the artifact's maven-metadata.xml.
mvn --batch-mode --quiet --settings settings.xml -Drireve.repository="file://$repository" \
    -Drireve.version="[$version,99)" compile
resolved="$work/local-repository/com/nq/odbc/ri-reve/$version/ri-reve-$version.jar"
cmp "$resolved" "$repository/com/nq/odbc/ri-reve/$version/ri-reve-$version.jar"
sqlite=$(ls /usr/lib/*/odbc/libsqlite3odbc.so | head -n 1)
printf '[SQLite3]\nDriver=%s\n' "$sqlite" >"$work/odbcinst.ini"
printf '[demo]\nDriver=SQLite3\nDatabase=/tmp/demo.db\n' >"$work/user.ini"
: >"$work/odbc.ini"
out=$(ODBCSYSINI="$work" ODBCINI="$work/user.ini" java -Xcheck:jni -cp "target/classes:$resolved" example.ListsOdbc)
expected=$(printf 'version %s\ndriver SQLite3\ndata source demo -> SQLite3' "$version")
if [ "$out" != "$expected" ]; then
    printf 'expected:\n%s\ngot:\n%s\n' "$expected" "$out"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
