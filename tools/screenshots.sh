#!/usr/bin/env bash
# Takes the guide's screenshots of the real program: dv under Xvfb with a
# window manager, the shipped example loaded, driven by xdotool; ImageMagick
# grabs each window. Writes docs/help/images/*.png.
#
# Usage: tools/screenshots.sh [BUILD_DIR]     (run `make build` first)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
dv=$build/bin/dv
out=$here/docs/help/images
"$here/tools/install-deps.sh" --screenshots
[ -x "$dv" ] || { echo "screenshots: $dv is missing; run make build" >&2; exit 1; }
mkdir -p "$out"

work=$(mktemp -d)
cleanup() {
    kill "${dv_pid:-}" "${wm_pid:-}" "${x_pid:-}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A private X screen, configuration and runtime folder.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x860x24 -nolisten tcp >/dev/null 2>&1 &
x_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1

# The example, and a large copy of it so that the run dialog stays up.
mkdir -p "$work/examples" "$work/build/example"
cp "$here/examples/orders.csv" "$here/examples/orders.dv" "$work/examples/"
{
    head -n 1 "$here/examples/orders.csv"
    for _ in $(seq 6000); do tail -n +2 "$here/examples/orders.csv"; done
} >"$work/examples/many-orders.csv"
sed -e 's|examples/orders.csv|examples/many-orders.csv|' \
    -e 's|build/example/orders.xml|build/example/many-orders.xml|' \
    "$here/examples/orders.dv" >"$work/examples/many-orders.dv"
# The example checked against a schema its data breaks (quantities over 20).
cat >"$work/examples/orders-check.xsd" <<'XSD'
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <!-- Orders of at most 20 pieces; the rest of the document is not checked. -->
  <xs:element name="orders">
    <xs:complexType mixed="true">
      <xs:sequence>
        <xs:any processContents="lax" minOccurs="0" maxOccurs="unbounded"/>
      </xs:sequence>
    </xs:complexType>
  </xs:element>
  <xs:element name="quantity">
    <xs:simpleType>
      <xs:restriction base="xs:int">
        <xs:maxInclusive value="20"/>
      </xs:restriction>
    </xs:simpleType>
  </xs:element>
</xs:schema>
XSD
sed -e 's|\(\t<targetfilename>.*\)|\1\n\t<validateschema>examples/orders-check.xsd</validateschema>|' \
    "$here/examples/orders.dv" >"$work/examples/checked-orders.dv"
cd "$work"

window() {
    local id
    id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1 || true)
    if [ -z "$id" ]; then
        import -silent -window root "$out/../failed-screen.png" || true
        echo "screenshots: no window named $1 (the screen: $out/../failed-screen.png)" >&2
        cat "$work/dv.log" >&2
        exit 1
    fi
    echo "$id"
}
shot() {  # shot NAME WINDOW-TITLE
    sleep "${SETTLE:-1}"
    local id
    id=$(window "$2")
    import -silent -frame -window "$id" "$out/$1.png"
    echo "screenshots: $out/$1.png"
}
keys() {  # one key (or chord) at a time: menus open before the next one
    local key
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.4
    done
}
click() {  # click X% Y% of the main window [times]
    local geometry x y
    geometry=$(xdotool getwindowgeometry --shell "$main")
    eval "$geometry"
    x=$((X + WIDTH * $1 / 100))
    y=$((Y + HEIGHT * $2 / 100))
    xdotool mousemove "$x" "$y" click --repeat "${3:-1}" --delay 120 1
    # Out of the way, so that no tooltip covers the picture.
    xdotool mousemove 5 5
    sleep 0.4
}

drag() {  # drag from X1% Y1% to X2% Y2% of the main window; the button stays down
    local geometry x1 y1 x2 y2 step
    geometry=$(xdotool getwindowgeometry --shell "$main")
    eval "$geometry"
    x1=$((X + WIDTH * $1 / 100))
    y1=$((Y + HEIGHT * $2 / 100))
    x2=$((X + WIDTH * $3 / 100))
    y2=$((Y + HEIGHT * $4 / 100))
    xdotool mousemove "$x1" "$y1" sleep 0.3 mousedown 1 sleep 0.3
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((x1 + (x2 - x1) * step / 8)) $((y1 + (y2 - y1) * step / 8)) sleep 0.1
    done
    sleep 0.5
}

# open_dv FILE NAME HEIGHT: dv (instead of the one running) with FILE, its
# window placed and sized the same for every shot.
open_dv() {
    if [ -n "${dv_pid:-}" ]; then
        kill "$dv_pid"
        wait "$dv_pid" 2>/dev/null || true
    fi
    "$dv" "$1" >>"$work/dv.log" 2>&1 &
    dv_pid=$!
    main=$(window "^$2 - Tarnwright Datavane\$")
    xdotool windowactivate --sync "$main"
    xdotool windowsize --sync "$main" 1180 "$3"
    xdotool windowmove --sync "$main" 40 30
}

open_dv examples/orders.dv orders 780
SETTLE=2 shot main-source '^orders - Tarnwright Datavane$'
click 9 6      # the Selection tab
shot main-selection '^orders - Tarnwright Datavane$'
click 15 6     # the Target tab
click 28 35   # the <order> element
shot main-target '^orders - Tarnwright Datavane$'
click 20 6     # the Output tab
SETTLE=2 shot main-output '^orders - Tarnwright Datavane$'

# Two columns dragged onto <summary>: the elements the drop added. (Xvfb
# draws the picture that follows the pointer black, so no shot of the drag.)
click 15 6     # the Target tab
click 3 21     # Quantity
xdotool keydown ctrl
click 3 23     # and UnitPrice
xdotool keyup ctrl
drag 3 23 26 49
xdotool mouseup 1
xdotool mousemove 5 5
SETTLE=1 shot target-dropped '^orders - .*Tarnwright Datavane$'
keys ctrl+z

# Sheets: the node's properties (XML menu), the output options (Output menu),
# the source options (Source menu), the target options' Custom page (XML menu),
# a column's properties (Selection tab, Enter on a column).
click 15 6     # the Target tab
click 28 35
keys alt+x p
shot sheet-node ' Properties$'
keys Escape
keys alt+o o
shot sheet-output '^XML Output Options$'
keys Escape
keys alt+s o
shot sheet-source '^Source Options$'
keys Escape
keys alt+x o ctrl+Tab ctrl+Tab
shot sheet-target '^XML Target Options$'
keys Escape
click 9 6      # the Selection tab
click 8 24 2   # double click on a column
shot sheet-column '^Source Column Properties$'
keys Escape

# The run dialog on the large copy, and its completion question.
kill "$dv_pid"
wait "$dv_pid" 2>/dev/null || true
"$dv" examples/many-orders.dv >>"$work/dv.log" 2>&1 &
dv_pid=$!
main=$(window '^many-orders - Tarnwright Datavane$')
xdotool windowactivate --sync "$main"
keys F8
progress=$(window '^Transforming$')
SETTLE=0.6 shot run-progress '^Transforming$'
# The completion question is another window with the same title.
question=""
for _ in $(seq 600); do
    for id in $(xdotool search --onlyvisible --name '^Transforming$' 2>/dev/null); do
        [ "$id" != "$progress" ] && question=$id
    done
    [ -n "$question" ] && break
    sleep 0.1
done
sleep 1
import -silent -frame -window "$question" "$out/run-complete.png"
echo "screenshots: $out/run-complete.png"
keys Escape

# The Output tab of a definition checked against a schema: the first error
# marked.
open_dv examples/checked-orders.dv checked-orders 780
click 20 6     # the Output tab
SETTLE=3 shot output-invalid '^checked-orders - Tarnwright Datavane$'

# A workbook source: the Source tab with its "ODBC File Properties" panel.
cp "$here/tests/data/orders.xls" "$work/orders.xls"
cat >"$work/workbook.dv" <<DV
<tarnwrightdatavane><version>2.6</version><sourcetype>3</sourcetype>
<odbcdriver>Datavane Excel Workbook Driver (*.xls, *.xlsx)</odbcdriver>
<sourcefilename>orders.xls</sourcefilename><sqltablename>Orders\$</sqltablename>
<targetfilename>orders.xml</targetfilename><xmlroot name="orders"/></tarnwrightdatavane>
DV
open_dv "$work/workbook.dv" workbook 620
SETTLE=2 shot main-workbook '^workbook - Tarnwright Datavane$'

# A namespaced schema imported (dvimport, as the Import command does it): the
# Target tab with its prefixed names and declarations.
"$build/bin/dvimport" xsd "$here/tests/data/schema/ns/pay.xsd" "$work/pay.dv" >>"$work/dv.log"
open_dv "$work/pay.dv" pay 620
click 15 6     # the Target tab
click 28 42    # the c:Amount element
SETTLE=2 shot main-namespaced '^pay - Tarnwright Datavane$'
