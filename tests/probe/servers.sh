#!/bin/sh
# Starts and stops a PostgreSQL and a MariaDB server of a test's own, each on
# a Unix socket in a private folder (no TCP port), with a user "rireve" whose
# password is the third argument. Run as root: the servers run as their
# packages' users, postgres and mysql.
#   servers.sh start FOLDER PASSWORD    prints the two socket folders
#   servers.sh stop FOLDER
set -eu
action=$1 folder=$2
pg_bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

start() {
    password=$1
    rm -rf "$folder"
    mkdir -p "$folder/pg-socket" "$folder/maria-socket"
    chmod 755 "$folder"
    mkdir -p "$folder/pg"
    chmod 700 "$folder/pg"
    chown postgres "$folder/pg-socket" "$folder/pg"
    chown mysql "$folder/maria-socket"
    # PostgreSQL: password authentication on the socket, so a wrong one fails.
    printf '%s\n' "$password" >"$folder/pg-password"
    chown postgres "$folder/pg-password"
    runuser -u postgres -- "$pg_bin/initdb" -D "$folder/pg" -U rireve --auth=scram-sha-256 \
        --pwfile="$folder/pg-password" >"$folder/pg-initdb.log" 2>&1
    rm -f "$folder/pg-password"
    runuser -u postgres -- "$pg_bin/pg_ctl" -D "$folder/pg" -l "$folder/pg-socket/server.log" -w \
        -o "-k $folder/pg-socket -p 5432 -c listen_addresses=''" start >/dev/null
    # MariaDB: the root account by the socket's peer, the test's user by password.
    mkdir -p "$folder/maria"
    chown mysql "$folder/maria"
    mariadb-install-db --no-defaults --user=mysql --datadir="$folder/maria" --auth-root-authentication-method=socket \
        --skip-test-db >"$folder/maria-install.log" 2>&1
    runuser -u mysql -- mariadbd --no-defaults --datadir="$folder/maria" --socket="$folder/maria-socket/mysqld.sock" \
        --skip-networking --pid-file="$folder/maria-socket/mysqld.pid" --log-error="$folder/maria-socket/server.log" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 1 300); do
        [ -S "$folder/maria-socket/mysqld.sock" ] && break
        sleep 0.1
    done
    mariadb --no-defaults -S "$folder/maria-socket/mysqld.sock" -u root -e \
        "CREATE USER 'rireve'@'localhost' IDENTIFIED BY '$password'; CREATE DATABASE rireve;
         GRANT ALL ON rireve.* TO 'rireve'@'localhost';"
    echo "$folder/pg-socket"
    echo "$folder/maria-socket/mysqld.sock"
}

stop() {
    if [ -f "$folder/pg/postmaster.pid" ]; then
        runuser -u postgres -- "$pg_bin/pg_ctl" -D "$folder/pg" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    if [ -f "$folder/maria-socket/mysqld.pid" ]; then
        pid=$(cat "$folder/maria-socket/mysqld.pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 300); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
    rm -rf "$folder"
}

case "$action" in
    start) start "$3" ;;
    stop) stop ;;
    *) echo "usage: servers.sh start FOLDER PASSWORD | stop FOLDER" >&2; exit 2 ;;
esac
