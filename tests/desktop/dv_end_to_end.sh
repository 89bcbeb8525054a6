#!/usr/bin/env bash
# The real program under Xvfb: opens the example definition, runs it with F8,
# answers the completion question and checks the output file.
# Usage: dv_end_to_end.sh DV_PROGRAM EXAMPLES_DIR
set -euo pipefail
dv=$1
examples=$2
work=$(mktemp -d)
trap 'kill "${dv_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/examples" "$work/build/example" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$examples/orders.dv" "$examples/orders.csv" "$work/examples/"
cd "$work"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
export QT_QPA_PLATFORM=xcb

"$dv" examples/orders.dv >"$work/dv.log" 2>&1 &
dv_pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^orders - Tarnwright Datavane$' | head -n 1)
[ -n "$wid" ] || { echo "no window titled 'orders - Tarnwright Datavane'"; cat "$work/dv.log"; exit 1; }
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers F8

# The completion question comes once the output is written.
out=$work/build/example/orders.xml
for _ in $(seq 100); do
    [ -s "$out" ] && break
    sleep 0.1
done
[ -s "$out" ] || { echo "no output written"; cat "$work/dv.log"; exit 1; }
# Keys in the half second after the run are swallowed (they were meant for
# the run dialog), and that dialog keeps its title until then.
sleep 1
question=""
for _ in $(seq 100); do
    question=$(xdotool search --onlyvisible --name '^Transforming$' 2>/dev/null | head -n 1 || true)
    [ -n "$question" ] && break
    sleep 0.1
done
[ -n "$question" ] || { echo "no completion question"; exit 1; }
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key --clearmodifiers Escape   # No: do not open the result
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^Transforming$' >/dev/null 2>&1 || break
    sleep 0.1
done
if xdotool search --onlyvisible --name '^Transforming$' >/dev/null 2>&1; then
    echo "the completion question stayed open"
    exit 1
fi

python3 - "$out" <<'PY'
import sys
import xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
orders = root.findall("./region/order")
assert root.tag == "orders", root.tag
assert len(orders) > 250, len(orders)
assert orders[0].find("date").text == "01 Jan 2024", orders[0].find("date").text
print("dv converted", len(orders), "orders")
PY
