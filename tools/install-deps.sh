#!/usr/bin/env bash
# Installs the Debian packages needed to build and test the suite.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed only when something has to be installed. Works as root or via sudo.
set -euo pipefail

packages=(
    build-essential
    cmake
    pkg-config
    libgtest-dev
    libgmock-dev
    libxml2-dev
    libxslt1-dev
    libcurl4-openssl-dev
    python3
    # Runs in parts on a Dask cluster (component/python/dvobj_dask.py).
    python3-distributed
    unixodbc
    unixodbc-dev
    odbcinst
    libsqliteodbc
    odbc-postgresql
    odbc-mdbtools
    postgresql
    libsqlite3-dev
    libzip-dev
    zlib1g-dev
    libzstd-dev
    libfreexl-dev
    libgsf-1-dev
    libxerces-c-dev
    curl
    ca-certificates
    libbenchmark-dev
    time
    qt6-base-dev
    qt6-svg-dev
    fonts-dejavu-core
    xvfb
    xauth
    xdotool
    dpkg-dev
    man-db
    locales
    # Published namespaced schemas with their XML catalogs, and xmllint as a
    # second opinion on what validates.
    libxml2-utils
    libpskc0
    opensaml-schemas
    xmltooling-schemas
)
# The fuzz targets need clang and its libFuzzer runtime (make fuzz); the
# screenshots of the guide a window manager and an X screen grabber; the
# package check a Debian root to install into and lintian.
case "${1:-}" in
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --screenshots) packages+=(openbox imagemagick) ;;
    --package-check) packages+=(debootstrap lintian) ;;
esac

missing=()
# npm fetches the Access test database. It may come with a Node.js that was
# not installed from Debian (whose package then conflicts with Debian's npm),
# so the command counts, not the package.
if ! command -v npm >/dev/null 2>&1; then
    missing+=(npm)
fi
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing+=("$p")
    fi
done

# Locales the tests run and format in: German (decimal comma), French (a
# narrow no-break space between thousands), Turkish (dotted and dotless i).
locales=(de_DE fr_FR tr_TR)
missing_locales() {
    for l in "${locales[@]}"; do
        locale -a 2>/dev/null | grep -qi "^$l\.utf-\?8$" || echo "$l"
    done
}

if [ ${#missing[@]} -eq 0 ] && [ -z "$(missing_locales)" ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "install-deps: need root or sudo to install: ${missing[*]} $(missing_locales)" >&2
    exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
for l in $(missing_locales); do
    echo "install-deps: generating the $l.UTF-8 locale"
    "${as_root[@]}" localedef -i "$l" -c -f UTF-8 "$l.UTF-8"
done
