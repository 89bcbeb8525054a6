#!/usr/bin/env bash
# Puts the Access test database test/fruit.mdb of the npm package mdb 0.1.0
# into the given folder, checked against the package's published hash. The
# package client fetches it from its configured registry; the package
# declares no licence, so the file is not shipped with the sources.
set -euo pipefail
dir=$1
want=60975b4ff8ea708c99aae2d700acd1585f528d2f2c66db12bb924bd6f4bd5e77
mkdir -p "$dir"
[ -f "$dir/fruit.mdb" ] && exit 0
if ! command -v npm >/dev/null 2>&1; then
    echo "fetch-mdb: npm is missing; run tools/install-deps.sh" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack mdb@0.1.0 --silent >/dev/null)
echo "$want  $work/mdb-0.1.0.tgz" | sha256sum -c --quiet
tar -xzf "$work/mdb-0.1.0.tgz" -C "$work" package/test/fruit.mdb
mv "$work/package/test/fruit.mdb" "$dir/fruit.mdb"
