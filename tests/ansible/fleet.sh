#!/bin/bash
# The collection with Debian's ansible-core: its module's documentation as
# ansible-doc reads it; a playbook against a fleet of four hosts on this
# machine (local connections, each host its own configuration folders through
# the play's environment), the real ri-reve and unixODBC: check mode writes
# nothing and says what would change, the first run changes every host, the
# second (from a state file on the host) none, secrets never show, and a host
# whose state cannot be applied fails alone with its files as they were.
#
#   fleet.sh SOURCE_ROOT RI_REVE WORK PROJECT_VERSION
set -u
src=$1 cli=$2 work=$3 version=$4
command -v ansible-playbook >/dev/null || { echo "skipped: ansible-playbook is not installed (apt-get install ansible-core)"; exit 77; }
rm -rf "$work" && mkdir -p "$work/collections/ansible_collections/nq" || exit 1
ln -s "$src/ansible" "$work/collections/ansible_collections/nq/odbc"
export ANSIBLE_COLLECTIONS_PATH=$work/collections ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_REMOTE_TEMP=$work/tmp
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_CONFIG=$work/none.cfg HOME=$work
# The controller's own configuration is the test's too, never the machine's.
export ODBCSYSINI=$work ODBCINI=$work/odbc.ini
sqlite=$(ls /usr/lib/*/odbc/libsqlite3odbc.so /usr/lib/odbc/libsqlite3odbc.so 2>/dev/null | head -1)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The documentation names the options the module declares, of their types; galaxy.yml the project's version.
ansible-doc --json -t module nq.odbc.configuration >"$work/doc.json" || fail "ansible-doc cannot read the module's documentation"
python3 - "$work/doc.json" "$src/ansible" "$version" <<'PY' || fail "the module's documentation or version"
import json, re, sys
doc = json.load(open(sys.argv[1]))["nq.odbc.configuration"]
spec = re.search(r"argument_spec=dict\((.*?)\n        \),", open(sys.argv[2] + "/plugins/modules/configuration.py").read(), re.S)
declared = dict(re.findall(r'^\s+(\w+)=dict\(type="(\w+)"', spec.group(1), re.M))
documented = {name: option["type"] for name, option in doc["doc"]["options"].items()}
galaxy = re.search(r"^version: (\S+)$", open(sys.argv[2] + "/galaxy.yml").read(), re.M).group(1)
checks = [(declared == documented, "the options declared, %s, are documented as %s" % (declared, documented)),
          ({"changed", "changes", "restored"} <= set(doc["return"]), "RETURN holds %s" % sorted(doc["return"])),
          ("nq.odbc.configuration:" in doc["examples"], "the examples do not name the module in full"),
          (galaxy == sys.argv[3], "galaxy.yml is version %s, the project %s" % (galaxy, sys.argv[3]))]
print("".join("FAIL: %s\n" % why for ok, why in checks if not ok), end="")
sys.exit(0 if all(ok for ok, _ in checks) else 1)
PY

# Each host: its folder's files before the play, and its secrets.
declare -A system=([alpha]="" [bravo]="[SQLite3]\nDriver=$sqlite\nUsageCount=1\n" [charlie]="" [delta]="[Other]\nDriver=/o.so\n")
declare -A user=([alpha]="" [bravo]="[sales]\nDriver=SQLite3\nDatabase=/srv/old.db\nDescription=pruned\n"
    [charlie]="[stale]\nDriver=SQLite3\n" [delta]="[sales]\nDriver=Other\nDatabase=/srv/delta-old.db\n")
hosts="alpha bravo charlie delta"
for host in $hosts; do
    mkdir -p "$work/hosts/$host"
    printf "${system[$host]}" >"$work/hosts/$host/odbcinst.ini"
    printf "${user[$host]}" >"$work/hosts/$host/user-odbc.ini"
done
{
    echo "fleet:"
    echo "  vars: {ansible_connection: local, ansible_python_interpreter: /usr/bin/python3, ri_reve: $cli, sqlite: $sqlite}"
    echo "  hosts:"
    for host in $hosts; do
        echo "    $host: {folder: $work/hosts/$host, database: /srv/$host.db, password: Pw-$host-7f3a, token: Tk-$host-91c2}"
    done
} >"$work/inventory.yml"
# delta's password is a variable its environment does not set.
sed -i "s|\(    delta: {.*\)}|\1, password_variable: RIREVE_FLEET_UNSET}|" "$work/inventory.yml"
cat >"$work/play.yml" <<'YAML'
- hosts: fleet
  gather_facts: false
  environment:
    ODBCSYSINI: "{{ folder }}"
    ODBCINI: "{{ folder }}/user-odbc.ini"
    HOME: "{{ folder }}"
    SALES_PASSWORD: "{{ password }}"
  vars:
    via_file: false
    odbc_state:
      version: 1
      drivers:
        - {name: SQLite3, scope: system, entries: {Driver: "{{ sqlite }}"}}
      dataSources:
        - name: sales
          scope: user
          driver: SQLite3
          entries:
            Database: "{{ database }}"
            PWD: {env: "{{ password_variable | default('SALES_PASSWORD') }}"}
            TOKEN: "{{ token }}"
  tasks:
    - name: The state as a file on the host (the test's, not a change of the play)
      ansible.builtin.copy: {content: "{{ odbc_state | to_json }}", dest: "{{ folder }}/state.json", mode: "0600"}
      when: via_file | bool
      changed_when: false
    - name: The ODBC configuration
      nq.odbc.configuration:
        content: "{{ omit if via_file | bool else odbc_state }}"
        path: "{{ folder + '/state.json' if via_file | bool else omit }}"
        prune: true
        executable: "{{ ri_reve }}"
YAML

snapshot() { for host in $hosts; do for f in "$work/hosts/$host"/*.ini; do echo "$f $(sha256sum <"$f")"; done; done; }
# The recap's line of a host holds each of these counts.
recap() {
    local name=$1 log=$2 line
    line=$(grep -E "^$name +:" "$work/$log")
    shift 2
    for count in "$@"; do [[ " $line " == *" $count "* ]] || fail "$log: $name's recap lacks $count: $line"; done
}
# No secret shows, but in Ansible's own echo of the environment (-vvv).
no_secrets() {
    for host in $hosts; do
        grep -v "^<$host> EXEC " "$work/$1" | grep -e "Pw-$host-" -e "Tk-$host-" && fail "$1 shows $host's secrets"
    done
}
play() {
    local log=$1
    shift
    (cd "$work" && ansible-playbook -i inventory.yml play.yml "$@") >"$work/$log" 2>&1
    echo "ansible-playbook $* exited with $? ($log)"
}

before=$(snapshot)
play check.log --check --diff -vvv
[ "$(snapshot)" == "$before" ] || fail "check mode wrote: $(diff <(echo "$before") <(snapshot))"
for host in alpha bravo charlie; do recap $host check.log changed=1 failed=0; done
recap delta check.log failed=1
grep -q -- "+PWD=\*\*\*\*\*\*\*\*" "$work/check.log" || fail "check.log: the diff does not show PWD masked"
grep -q -- "+Database=/srv/alpha.db" "$work/check.log" || fail "check.log: the diff does not show alpha's Database"
grep -q -- "-\[stale\]" "$work/check.log" || fail "check.log: the diff does not show charlie's stale data source pruned"
grep -q '"kind": "install"' "$work/check.log" || fail "check.log: the results lack the driver's install"
grep -q "RIREVE_FLEET_UNSET is not set" "$work/check.log" || fail "check.log: delta fails without its reason"
no_secrets check.log
grep -q '"TOKEN": "VALUE_SPECIFIED_IN_NO_LOG_PARAMETER"' "$work/check.log" || fail "check.log: the arguments show TOKEN"
grep -q '"Database": "/srv/alpha.db"' "$work/check.log" || fail "check.log: the arguments hide what is no secret"

delta_before=$(grep "/delta/" <<<"$before")
play first.log --diff -v
for host in alpha bravo charlie; do recap $host first.log changed=1 failed=0; done
recap delta first.log failed=1
[ "$(snapshot | grep /delta/)" == "$delta_before" ] || fail "delta's files changed though its apply failed"
no_secrets first.log
grep -q -- "+PWD=\*\*\*\*\*\*\*\*" "$work/first.log" || fail "first.log: the diff does not show PWD masked"
# What unixODBC itself reads on each host.
for host in alpha bravo charlie; do
    on=(env ODBCSYSINI="$work/hosts/$host" ODBCINI="$work/hosts/$host/user-odbc.ini" HOME="$work/hosts/$host")
    shown=$("${on[@]}" odbcinst -q -s -n sales)
    for line in "Driver=SQLite3" "Database=/srv/$host.db" "PWD=Pw-$host-7f3a" "TOKEN=Tk-$host-91c2"; do
        grep -qx -- "$line" <<<"$shown" || fail "odbcinst -q -s -n sales on $host lacks $line: $shown"
    done
    [ "$("${on[@]}" odbcinst -q -s)" == "[sales]" ] || fail "odbcinst -q -s on $host: $("${on[@]}" odbcinst -q -s)"
done
grep -q "Description=pruned" "$work/hosts/bravo/user-odbc.ini" && fail "prune left bravo's entry the state does not name"

play second.log -e via_file=true
for host in alpha bravo charlie; do recap $host second.log changed=0 failed=0; done
recap delta second.log failed=1

echo "$failures failures"
[ "$failures" -eq 0 ]
