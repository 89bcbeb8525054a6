#!/usr/bin/env bash
# Stops the cluster of start-postgres.sh and removes it.
set -uo pipefail
state=$1
[ -f "$state/cluster" ] || exit 0
cluster=$(cat "$state/cluster")
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
if [ -d "$cluster/data" ]; then
    if [ "$(id -u)" -eq 0 ]; then
        (cd / && runuser -u postgres -- "$bin/pg_ctl" -D "$cluster/data" -m immediate stop) >/dev/null 2>&1
    else
        "$bin/pg_ctl" -D "$cluster/data" -m immediate stop >/dev/null 2>&1
    fi
fi
case "$cluster" in /tmp/dvpg.*) rm -rf "$cluster" ;; esac
rm -f "$state/cluster" "$state/connection"
exit 0
