#!/usr/bin/env bash
# Times whole dvrun processes on generated data and prints one table.
#
#   bench/run_bench.sh [BUILD_DIR]
#
# Workloads: the hand-written reference converter, dvrun plain (indented
# UTF-8, every column an element), plain validated against an XML Schema
# as it is written, the same in a target namespace (validated), plain in UTF-16, formatted (numbers,
# dates, attributes, a filter), grouped/sorted (grouped by city, sorted by
# city and date) at BENCH_ROWS rows (default 1000000); the reference, plain
# (validated too) and grouped/sorted again at BENCH_LARGE_ROWS (default 10000000, 0 skips
# them); and grouping 200,000 sorted rows into 50 and into 49,112 groups.
# Plain, formatted and grouped/sorted run with --threads 1 and with every core
# (BENCH_THREADS, default nproc); the rest with dvrun's default. Outputs of
# one workload must be the same bytes at every thread count.
# Each is run BENCH_RUNS times (default 5), taking turns, and the medians
# count. Every output is checked: well-formed, with the expected number of
# rows (and groups). BENCH_PANDAS=0 skips the pandas comparison; the
# micro-benchmarks (bench_micro) follow the table unless BENCH_MICRO=0.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rows=${BENCH_ROWS:-1000000}
large=${BENCH_LARGE_ROWS:-10000000}
runs=${BENCH_RUNS:-5}
cores=${BENCH_THREADS:-$(nproc)}
work=$build/bench
mkdir -p "$work"
dvrun=$build/bin/dvrun
for tool in "$dvrun" "$build/bin/bench_reference" "$build/bin/bench_count"; do
    [ -x "$tool" ] || { echo "run_bench: $tool is missing (make bench builds it)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "run_bench: /usr/bin/time is missing (tools/install-deps.sh)" >&2; exit 1; }

pandas_python=
if [ "${BENCH_PANDAS:-1}" != 0 ]; then
    for candidate in python3 /usr/bin/python3; do
        if "$candidate" -c 'import pandas, lxml' 2>/dev/null; then
            pandas_python=$candidate
            break
        fi
    done
fi

sed 's#<encoding>utf-8</encoding>#<encoding>UTF-16</encoding>#' "$root/bench/plain.dv" \
    >"$work/plain-utf16.dv"

# data ROWS: the orders file of that many rows (made once, kept in $work).
data() {
    local csv=$work/orders-$1.csv
    if [ ! -s "$csv" ] || [ ! -s "$csv.counts" ]; then
        echo "run_bench: generating $1 rows" >&2
        python3 "$root/bench/generate.py" "$1" "$csv" "$csv.counts"
    fi
    echo "$csv"
}
expect() { awk -v w="$2" '$1 == w { print $2 }' "$1.counts"; }

# Workloads: "label|rows|threads|element|expected count|command…" ({OUT} is
# the output; threads "–" for dvrun's default or a program of its own).
workloads=()
add() { workloads+=("$1"); }
# Both thread counts of one dvrun workload.
add_threaded() {
    local label=$1 n=$2 expected=$3 command=$4
    add "$label|$n|1|row|$expected|$command --threads 1"
    if [ "$cores" -gt 1 ]; then
        add "$label|$n|$cores|row|$expected|$command --threads $cores"
    fi
}
add_orders() {
    local n=$1 csv
    csv=$(data "$n")
    add "reference|$n|–|row|$(expect "$csv" plain)|$build/bin/bench_reference $csv {OUT}"
    add_threaded plain "$n" "$(expect "$csv" plain)" "$dvrun $root/bench/plain.dv /s $csv /t {OUT}"
    add "plain, validated|$n|–|row|$(expect "$csv" plain)|$dvrun $root/bench/plain.dv /s $csv /t {OUT} /v $root/bench/plain.xsd"
    if [ "${2:-}" != large ]; then
        add "namespaced, validated|$n|–|row|$(expect "$csv" plain)|$dvrun $root/bench/namespaced.dv /s $csv /t {OUT} /v $root/bench/namespaced.xsd"
        add "plain UTF-16|$n|–|row|$(expect "$csv" plain)|$dvrun $work/plain-utf16.dv /s $csv /t {OUT}"
    fi
    add_threaded formatted "$n" "$(expect "$csv" formatted)" "$dvrun $root/bench/formatted.dv /s $csv /t {OUT}"
    add_threaded grouped/sorted "$n" "$(expect "$csv" grouped)" "$dvrun $root/bench/grouped.dv /s $csv /t {OUT}"
    if [ "${2:-}" != large ] && [ -n "$pandas_python" ]; then
        add "pandas to_xml|$n|–|row|$(expect "$csv" plain)|$pandas_python $root/bench/pandas_convert.py $csv {OUT}"
    fi
}
add_orders "$rows"
if [ "$large" != 0 ]; then
    add_orders "$large" large
fi
for groups in 50 49112; do
    csv=$work/groups-$groups.csv
    [ -s "$csv" ] || python3 "$root/bench/generate.py" --groups "$groups" 200000 "$csv"
    add "grouped, $groups groups|200000|–|group|$groups|$dvrun $root/bench/groups.dv /s $csv /t {OUT}"
done

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A first_sum same_bytes
results=$work/results.txt
: >"$results"
log=$work/time.log
out=$work/out.xml
for ((run = 1; run <= runs; ++run)); do
    echo "run_bench: round $run of $runs" >&2
    for index in "${!workloads[@]}"; do
        IFS='|' read -r label n threads element expected command <<<"${workloads[$index]}"
        rm -f "$out"
        sync
        # shellcheck disable=SC2086 # the command is split into words on purpose
        if ! /usr/bin/time -v -o "$log" ${command//\{OUT\}/$out} >/dev/null 2>"$work/stderr.log"; then
            echo "run_bench: $label ($n rows) failed:" >&2
            cat "$work/stderr.log" "$log" >&2
            exit 1
        fi
        if [ "$run" -eq 1 ]; then
            counted=$("$build/bin/bench_count" "$out" "$element") ||
                { echo "run_bench: $label wrote XML that does not parse" >&2; exit 1; }
            if [ "$counted" != "$expected" ]; then
                echo "run_bench: $label wrote $counted <$element>s, expected $expected" >&2
                exit 1
            fi
            # Every thread count writes the bytes of the first.
            sum=$(md5sum <"$out" | cut -d' ' -f1)
            key="$label|$n"
            if [ -n "${first_sum[$key]:-}" ] && [ "${first_sum[$key]}" != "$sum" ]; then
                echo "run_bench: $label ($n rows) wrote other bytes with --threads $threads" >&2
                exit 1
            fi
            first_sum[$key]=$sum
            [ "$threads" = "–" ] || same_bytes[$key]="${same_bytes[$key]:-} $threads"
        fi
        awk -F': ' -v i="$index" '
            /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (k = 1; k <= n; ++k) s = s * 60 + p[k]; wall = s }
            /User time/ { user = $2 }
            /Maximum resident set size/ { rss = $2 }
            END { print i, wall, user, rss }' "$log" >>"$results"
    done
done
rm -f "$out"

table=$work/results.md
{
    echo "| workload | rows | threads | wall s | user s | peak RSS MB | × reference wall | × reference user | speed-up |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
} >"$table"
declare -A ref_wall ref_user one_thread
for index in "${!workloads[@]}"; do
    IFS='|' read -r label n threads _ <<<"${workloads[$index]}"
    wall=$(awk -v i="$index" '$1 == i { print $2 }' "$results" | median)
    user=$(awk -v i="$index" '$1 == i { print $3 }' "$results" | median)
    rss=$(awk -v i="$index" '$1 == i { print $4 }' "$results" | median)
    if [ "$label" = reference ]; then
        ref_wall[$n]=$wall
        ref_user[$n]=$user
    fi
    if [ -n "${ref_wall[$n]:-}" ]; then
        ratios=$(awk -v w="$wall" -v u="$user" -v rw="${ref_wall[$n]}" -v ru="${ref_user[$n]}" \
            'BEGIN { printf "%.2f | %.2f", (rw > 0 ? w / rw : 0), (ru > 0 ? u / ru : 0) }')
    else
        ratios="– | –"
    fi
    speedup="–"
    if [ "$threads" = 1 ]; then
        one_thread["$label|$n"]=$wall
    elif [ "$threads" != "–" ] && [ -n "${one_thread["$label|$n"]:-}" ]; then
        speedup=$(awk -v a="${one_thread["$label|$n"]}" -v b="$wall" 'BEGIN { printf "%.2f×", (b > 0 ? a / b : 0) }')
    fi
    awk -v l="$label" -v n="$n" -v t="$threads" -v w="$wall" -v u="$user" -v r="$rss" -v q="$ratios" \
        -v s="$speedup" \
        'BEGIN { printf "| %s | %d | %s | %.2f | %.2f | %.1f | %s | %s |\n", l, n, t, w, u, r / 1024, q, s }' >>"$table"
    case $label in
        "grouped, 50 groups") few=$wall ;;
        "grouped, 49112 groups") many=$wall ;;
    esac
done

echo
cat "$table"
if [ -n "${few:-}" ] && [ -n "${many:-}" ]; then
    awk -v a="$few" -v b="$many" 'BEGIN { printf "\n49,112 groups take %.2f× the time of 50 groups.\n", (a > 0 ? b / a : 0) }'
fi
if [ -z "$pandas_python" ]; then
    echo
    echo "(pandas with lxml is not installed here, so it was not timed.)"
fi
for key in "${!same_bytes[@]}"; do
    echo "Same bytes (md5) at threads${same_bytes[$key]}: ${key%|*}, ${key#*|} rows."
done | sort
echo "Machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)."

# The hot spots in isolation (BENCH_MICRO=0 skips them).
if [ "${BENCH_MICRO:-1}" != 0 ] && [ -x "$build/bin/bench_micro" ]; then
    echo
    "$build/bin/bench_micro" --benchmark_min_time=0.5 2>/dev/null
fi
