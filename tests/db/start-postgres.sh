#!/usr/bin/env bash
# Starts a throwaway PostgreSQL cluster for the database tests: a fresh
# folder under /tmp, a local socket only (no TCP port), the test tables
# loaded. Writes to <state folder>/connection the ODBC connection string the
# tests use and to <state folder>/cluster where the cluster lives.
set -euo pipefail
state=$1
here=$(cd "$(dirname "$0")" && pwd)
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
"$here/stop-postgres.sh" "$state"
mkdir -p "$state"
# Under /tmp, so the server's own user can reach it whatever the build folder.
cluster=$(mktemp -d /tmp/dvpg.XXXXXX)
chmod 755 "$cluster"
echo "$cluster" >"$state/cluster"
if [ "$(id -u)" -eq 0 ]; then
    # The server refuses to run as root.
    user=postgres
    chown postgres "$cluster"
    # Started from the cluster folder, never from the checkout or the build
    # folder, which may be private to their owner (a 0700 home folder).
    as_server() { (cd "$cluster" && runuser -u postgres -- "$@"); }
else
    user=$(id -un)
    as_server() { "$@"; }
fi
port=5432
as_server "$bin/initdb" -D "$cluster/data" -A trust -U "$user" -E UTF8 --locale=C.UTF-8 \
    >"$state/initdb.log" 2>&1
as_server "$bin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w \
    -o "-k $cluster -c listen_addresses='' -p $port" start >/dev/null
as_server psql -h "$cluster" -p "$port" -U "$user" -d postgres -q -c "CREATE DATABASE dvtest"
# On standard input: the server's user may not be able to read the checkout.
as_server psql -h "$cluster" -p "$port" -U "$user" -d dvtest -q -v ON_ERROR_STOP=1 \
    <"$here/postgres-tables.sql" >/dev/null
echo "DRIVER={PostgreSQL Unicode};Servername=$cluster;Port=$port;Database=dvtest;UID=$user;" \
    >"$state/connection"
