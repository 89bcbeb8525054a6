#!/usr/bin/env bash
# Tries the README's two set-up commands the way a newcomer meets them: in a
# fresh minimal Debian 12 root (debootstrap minbase with git and sudo only),
# the repository cloned into a private folder,
#   1. as root, in /root/project (root's home is 0700);
#   2. as an ordinary user with sudo, in a 0700 home folder.
# Each case gets its own copy of the root, so the second one installs the
# dependencies through sudo. Prints the last lines and the exit status of
# each command; full logs stay under WORKDIR/logs.
#
# Usage (as root): tools/fresh-check.sh [WORKDIR]     default /var/tmp/dv-fresh
# It clones the commits of this checkout (HEAD), not uncommitted changes.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=lib/debian-root.sh
. "$here/lib/debian-root.sh"
require_root
repo=$(cd "$here/.." && pwd)
work=${1:-/var/tmp/dv-fresh}
base=$work/base
logs=$work/logs
tail_lines=${FRESH_TAIL:-12}
user=newcomer
commands=("tools/install-deps.sh && make example" "tools/install-deps.sh && make check")
trap unmount_all EXIT

if ! command -v debootstrap >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null
fi
mkdir -p "$work" "$logs"
make_base "$base" "$logs/debootstrap.log"

# Runs one case in a fresh copy of the base root; $1 is "root" or "user".
run_case() {
    local who=$1 root=$work/root-$1 home status=0 i
    unmount_all
    remove_root "$root"
    cp -a "$base" "$root"
    mount_system "$root"
    if [ "$who" = root ]; then
        home=/root
        chmod 700 "$root/root"
        git clone -q "$repo" "$root/root/project"
        as() { chroot "$root" env -i HOME=/root USER=root LOGNAME=root TERM=dumb \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
            bash -c "$1"; }
    else
        home=/home/$user
        chroot "$root" useradd -m -s /bin/bash "$user"
        chmod 700 "$root$home"
        echo "$user ALL=(ALL) NOPASSWD:ALL" >"$root/etc/sudoers.d/$user"
        chmod 440 "$root/etc/sudoers.d/$user"
        git clone -q "$repo" "$root$home/project"
        chroot "$root" chown -R "$user:$user" "$home/project"
        as() { chroot "$root" runuser -u "$user" -- env -i HOME="$home" USER="$user" \
            LOGNAME="$user" TERM=dumb PATH=/usr/local/bin:/usr/bin:/bin bash -c "$1"; }
    fi
    for i in "${!commands[@]}"; do
        local log=$logs/$who-$i.log
        echo
        echo "=== as $who in $home/project (mode $(stat -c %a "$root$home")): ${commands[$i]}"
        as "cd ~/project && ${commands[$i]}" >"$log" 2>&1
        status=$?
        tail -n "$tail_lines" "$log"
        echo "=== exit status $status (log: $log)"
        results+=("$who: ${commands[$i]} -> $status")
    done
    unmount_all
}

results=()
run_case root
run_case user

echo
echo "=== summary"
failed=0
for r in "${results[@]}"; do
    echo "$r"
    case "$r" in *"-> 0") ;; *) failed=1 ;; esac
done
exit $failed
