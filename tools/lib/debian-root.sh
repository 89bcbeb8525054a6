# Helpers for the scripts that try the suite in a fresh minimal Debian 12 root
# (sourced, not run). They need root.

mounted=()

unmount_all() {
    local m
    for m in "${mounted[@]}"; do
        umount -R "$m" 2>/dev/null || umount -l -R "$m" 2>/dev/null
    done
    mounted=()
}

# Removes a root folder, refusing while anything is still mounted inside it.
remove_root() {
    local dir=$1
    [ -d "$dir" ] || return 0
    if findmnt -rn -o TARGET | grep -q "^$dir/"; then
        echo "$0: $dir still has mounts; not removing it" >&2
        exit 2
    fi
    rm -rf --one-file-system "$dir"
}

mount_system() {
    local root=$1
    mount -t proc proc "$root/proc" && mounted+=("$root/proc")
    mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
    mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev" && mounted+=("$root/dev")
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
}

# A minimal Debian 12 root with git and sudo at $1 (made once, then reused),
# carrying the host's extra certificate authorities as a machine on such a
# network has them. Logs go to $2.
make_base() {
    local base=$1 log=$2
    if [ ! -x "$base/usr/bin/git" ]; then
        remove_root "$base"
        echo "$0: debootstrap bookworm into $base"
        if ! debootstrap --variant=minbase --include=git,sudo bookworm "$base" >"$log" 2>&1; then
            tail -n 20 "$log"
            exit 2
        fi
    fi
    if compgen -G "/usr/local/share/ca-certificates/*" >/dev/null; then
        mkdir -p "$base/usr/local/share/ca-certificates"
        cp /usr/local/share/ca-certificates/* "$base/usr/local/share/ca-certificates/"
    fi
}

require_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "$0: run as root (debootstrap and chroot need it)" >&2
        exit 2
    fi
}
