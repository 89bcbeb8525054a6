#!/usr/bin/env bash
# Installs the build into a temporary prefix (and with DESTDIR), checks the
# layout, runs the installed runner, Python binding and repair launcher.
# Usage: install_test.sh BUILD_DIR [python|no-python]
set -euo pipefail
build=$1
python=${2:-python}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
DESTDIR=$work/dest cmake --install "$build" >/dev/null
installed_prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
[ -x "$work/dest$installed_prefix/bin/dvrun" ] || fail "DESTDIR install misses bin/dvrun"

libdir=""
for candidate in "$prefix"/lib/*-linux-gnu "$prefix/lib"; do
    if [ -e "$candidate/libdvobj.so.2" ]; then
        libdir=${candidate#"$prefix"/}
        break
    fi
done
[ -n "$libdir" ] || fail "no libdvobj.so.2 installed"
for file in bin/dv bin/dvrun bin/dvimport bin/dvsetup \
    "$libdir/libdvobj.so" "$libdir/libdvobj.so.2" "$libdir/pkgconfig/dvobj.pc" \
    include/dvobj.h lib/python3/dist-packages/dvobj.py lib/python3/dist-packages/dvobj_dask.py \
    etc/xdg/datavane/dvobj.registration \
    share/doc/datavane/help/index.html share/doc/datavane/help/images/main-source.png \
    share/doc/datavane/examples/orders.dv share/doc/datavane/examples/orders.csv \
    share/doc/datavane/copyright share/doc/datavane/changelog.gz \
    share/mime/packages/datavane-definition.xml share/applications/datavane-dv.desktop \
    share/icons/hicolor/scalable/apps/datavane.svg \
    share/man/man1/dv.1.gz share/man/man1/dvrun.1.gz share/man/man1/dvimport.1.gz \
    share/man/man1/dvsetup.1.gz; do
    [ -e "$prefix/$file" ] || fail "missing $file"
done
readelf -d "$prefix/$libdir/libdvobj.so.2" | grep -q 'SONAME.*libdvobj.so.2' || fail "no SONAME"
for page in "$prefix"/share/man/man1/*.1.gz; do
    [ -n "$(lexgrog "$page" 2>/dev/null)" ] || fail "lexgrog cannot read $page"
    warnings=$(zcat "$page" | LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l - 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || fail "man warns about $page: $warnings"
done

# The installed runner finds the installed component with no registration of
# the user's, and logs to the user's state folder.
home=$work/home
mkdir -p "$home"
cd "$prefix/share/doc/datavane"
env -i HOME="$home" PATH=/usr/bin:/bin "$prefix/bin/dvrun" examples/orders.dv /t "$work/orders.xml" ||
    fail "the installed dvrun failed"
grep -q '<region name="East">' "$work/orders.xml" || fail "unexpected output"
grep -q 'Transformation Succeeded' "$home/.local/state/datavane/dvrun.log" || fail "no log in the state folder"
[ ! -e "$prefix/bin/dvrun.log" ] || fail "an installed dvrun logged beside itself"
[ ! -e "$home/.config/datavane" ] || fail "the runner registered something"

# The Python binding, from the prefix.
if [ "$python" = python ]; then
    env -i HOME="$home" PATH=/usr/bin:/bin PYTHONPATH="$prefix/lib/python3/dist-packages" \
        python3 -c '
import sys, dvobj
dv = dvobj.Datavane()
ok = dv.transform("examples/orders.dv", target_file=sys.argv[1])
sys.exit(0 if ok else "%d %s" % (dv.error_code, dv.error_message))' "$work/python.xml" ||
        fail "the Python binding failed"
    cmp -s <(grep -v '<created>' "$work/orders.xml") <(grep -v '<created>' "$work/python.xml") ||
        fail "the binding wrote something else"
fi

# dvsetup: without a software centre it prints the commands; with one it
# starts it once per run without waiting for it.
empty=$work/empty-path
mkdir -p "$empty"
out=$(env -i PATH="$empty" "$prefix/bin/dvsetup" ignored arguments) || fail "dvsetup failed"
grep -q 'sudo apt-get install --reinstall datavane' <<<"$out" || fail "no repair command"
grep -q 'sudo apt-get remove datavane' <<<"$out" || fail "no remove command"
stubs=$work/stubs
mkdir -p "$stubs"
cat >"$stubs/xdg-open" <<STUB
#!/bin/sh
echo "\$1" >>"$work/opened"
sleep 5
STUB
chmod +x "$stubs/xdg-open"
# xdg-open with nothing that handles apt: links: the commands, no start.
cat >"$stubs/xdg-mime" <<STUB
#!/bin/sh
[ -f "$work/apt-handler" ] && echo software-centre.desktop
exit 0
STUB
chmod +x "$stubs/xdg-mime"
out=$(env -i PATH="$stubs:/usr/bin:/bin" "$prefix/bin/dvsetup") || fail "dvsetup failed"
grep -q 'sudo apt-get install --reinstall datavane' <<<"$out" || fail "no repair command without an apt: handler"
[ ! -e "$work/opened" ] || fail "dvsetup started xdg-open without an apt: handler"
touch "$work/apt-handler"
start=$(date +%s%N)
env -i PATH="$stubs:/usr/bin:/bin" "$prefix/bin/dvsetup" >/dev/null || fail "dvsetup failed"
env -i PATH="$stubs:/usr/bin:/bin" "$prefix/bin/dvsetup" >/dev/null || fail "dvsetup failed"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$elapsed" -lt 4000 ] || fail "dvsetup waited for the software centre (${elapsed} ms)"
for _ in $(seq 50); do
    [ "$(wc -l <"$work/opened" 2>/dev/null || echo 0)" -ge 2 ] && break
    sleep 0.1
done
[ "$(cat "$work/opened")" = "$(printf 'apt:datavane\napt:datavane')" ] ||
    fail "expected two starts, got: $(cat "$work/opened" 2>/dev/null)"
echo "install test passed"
