#!/usr/bin/env bash
# Tries the Debian package on a clean system: builds it (make package), runs
# lintian on it, installs it with apt-get into a fresh minimal Debian 12 root,
# runs the example with the installed dvrun and through the Python binding,
# checks dv --version and the .dv file type, removes the package and checks
# that nothing it installed is left.
#
# Usage (as root): tools/package-check.sh [WORKDIR]     default /var/tmp/dv-package
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib/debian-root.sh
. "$here/lib/debian-root.sh"
require_root
repo=$(cd "$here/.." && pwd)
work=${1:-/var/tmp/dv-package}
root=$work/root
"$repo/tools/install-deps.sh" --package-check
mkdir -p "$work"
trap unmount_all EXIT

step() { echo; echo "=== $*"; }

step "make package"
make -C "$repo" package >"$work/package.log" 2>&1 || { tail -n 30 "$work/package.log"; exit 1; }
deb=$(ls "$repo"/build-package/datavane_*.deb | head -n 1)
echo "$deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

step "lintian"
lintian --tag-display-limit 0 "$deb" | tee "$work/lintian.log" || true
if grep -q '^E:' "$work/lintian.log"; then
    echo "package-check: lintian reports errors" >&2
    exit 1
fi
echo "lintian: no errors"

step "install into a fresh Debian 12 root"
make_base "$work/base" "$work/debootstrap.log"
remove_root "$root"
cp -a "$work/base" "$root"
mount_system "$root"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb \
    DEBIAN_FRONTEND=noninteractive bash -c "$1"; }
in_root "apt-get update -q >/dev/null && apt-get install -y -q /tmp/$(basename "$deb")" \
    >"$work/install.log" 2>&1 || { tail -n 30 "$work/install.log"; exit 1; }
tail -n 3 "$work/install.log"
in_root "dpkg -L datavane" >"$work/files"
echo "installed $(wc -l <"$work/files") paths"

step "the example with the installed dvrun"
in_root 'cd /usr/share/doc/datavane && dvrun examples/orders.dv /t /tmp/orders.xml && head -n 5 /tmp/orders.xml && tail -n 1 ~/.local/state/datavane/dvrun.log'

step "validation and the libraries opened when first needed"
in_root 'cd /usr/share/doc/datavane && dvrun examples/orders.dv /t /tmp/valid.xml /v examples/orders.xsd'
in_root 'for lib in libcurl.so.4 libgsf-1.so.114; do ldconfig -p | grep -q "$lib " || { echo "$lib is not installed"; exit 1; }; done'

step "the Python binding"
in_root 'cd /usr/share/doc/datavane && python3 -c "
import dvobj
dv = dvobj.Datavane()
print(\"transform:\", dv.transform(\"examples/orders.dv\", target_file=\"/tmp/python.xml\"), dv.error_code)
"'

step "dv --version, the manual and the .dv file type"
in_root 'dv --version && dvsetup && ls /usr/share/man/man1/dv*.1.gz'
in_root 'grep "x-datavane-definition" /usr/share/mime/globs2 || { echo "the .dv type is unknown to the MIME database"; exit 1; }'
in_root 'grep -l "x-datavane-definition" /usr/share/applications/mimeinfo.cache || true'

step "remove and purge"
in_root 'apt-get remove --purge -y -q datavane' >"$work/remove.log" 2>&1 || { tail -n 20 "$work/remove.log"; exit 1; }
tail -n 2 "$work/remove.log"
left=0
while read -r path; do
    # Folders the package shares with the system stay.
    if [ -e "$root$path" ] && [ ! -d "$root$path" ]; then
        echo "left behind: $path"
        left=1
    fi
done <"$work/files"
for folder in /usr/share/doc/datavane /etc/xdg/datavane; do
    if [ -e "$root$folder" ]; then
        echo "left behind: $folder"
        left=1
    fi
done
if in_root 'grep -q "x-datavane-definition" /usr/share/mime/globs2'; then
    echo "left behind: the .dv type in the MIME database"
    left=1
fi
[ "$left" -eq 0 ] && echo "nothing the package installed is left"
unmount_all
exit "$left"
