#!/usr/bin/env bash
# Times whole dvrun processes on generated data and prints a table.
#
#   bench/run_bench.sh [BUILD_DIR]
#
# Environment: BENCH_ROWS (default "100000 1000000"), BENCH_RUNS (runs per
# measurement, default 3; the median counts), BENCH_PANDAS=0 to skip pandas.
# Every output is checked: well-formed, and the expected number of <row>s.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rows_list=${BENCH_ROWS:-"100000 1000000"}
runs=${BENCH_RUNS:-3}
work=$build/bench
mkdir -p "$work"
dvrun=$build/bin/dvrun
for tool in "$dvrun" "$build/bin/bench_reference" "$build/bin/bench_count"; do
    [ -x "$tool" ] || { echo "run_bench: $tool is missing (make bench builds it)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "run_bench: /usr/bin/time is missing (tools/install-deps.sh)" >&2; exit 1; }

with_pandas=0
if [ "${BENCH_PANDAS:-1}" != 0 ]; then
    for candidate in python3 /usr/bin/python3; do
        if "$candidate" -c 'import pandas, lxml' 2>/dev/null; then
            with_pandas=1
            pandas_python=$candidate
            break
        fi
    done
fi

# The UTF-16 variant of the plain workload.
sed 's#<encoding>utf-8</encoding>#<encoding>UTF-16</encoding>#' "$root/bench/plain.dv" \
    >"$work/plain-utf16.dv"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure NAME EXPECTED_ROWS OUTPUT COMMAND...: runs the command $runs times,
# checks the output, and appends "name seconds peak_kb" to $results.
measure() {
    local name=$1 expected=$2 output=$3
    shift 3
    local times=() peaks=() log=$work/time.log
    for ((i = 0; i < runs; ++i)); do
        rm -f "$output"
        sync
        if ! /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$work/stderr.log"; then
            echo "run_bench: $name failed:" >&2
            cat "$work/stderr.log" "$log" >&2
            exit 1
        fi
        times+=("$(awk -F': ' '/Elapsed \(wall clock\)/ {
            n = split($2, p, ":"); s = 0; for (k = 1; k <= n; ++k) s = s * 60 + p[k]; print s }' "$log")")
        peaks+=("$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")")
        if [ "$i" -eq 0 ]; then
            local counted
            counted=$("$build/bin/bench_count" "$output" row) ||
                { echo "run_bench: $name wrote XML that does not parse" >&2; exit 1; }
            if [ "$counted" != "$expected" ]; then
                echo "run_bench: $name wrote $counted rows, expected $expected" >&2
                exit 1
            fi
        fi
    done
    rm -f "$output"
    echo "$name $(printf '%s\n' "${times[@]}" | median) $(printf '%s\n' "${peaks[@]}" | median)" >>"$results"
}

table=$work/results.md
{
    echo "| converter | rows | median s | rows/s | input MB/s | peak RSS MB | × C reference |"
    echo "|---|---:|---:|---:|---:|---:|---:|"
} >"$table"

for rows in $rows_list; do
    csv=$work/rows-$rows.csv
    counts=$work/rows-$rows.counts
    if [ ! -s "$csv" ] || [ ! -s "$counts" ]; then
        echo "run_bench: generating $rows rows" >&2
        python3 "$root/bench/generate.py" "$rows" "$csv" "$counts"
    fi
    expect() { awk -v w="$1" '$1 == w { print $2 }' "$counts"; }
    results=$work/results-$rows.txt
    : >"$results"
    echo "run_bench: $rows rows, $runs runs each" >&2
    measure "C reference" "$(expect plain)" "$work/out.xml" \
        "$build/bin/bench_reference" "$csv" "$work/out.xml"
    measure "dvrun plain" "$(expect plain)" "$work/out.xml" \
        "$dvrun" "$root/bench/plain.dv" /s "$csv" /t "$work/out.xml"
    measure "dvrun plain UTF-16" "$(expect plain)" "$work/out.xml" \
        "$dvrun" "$work/plain-utf16.dv" /s "$csv" /t "$work/out.xml"
    measure "dvrun formatted" "$(expect formatted)" "$work/out.xml" \
        "$dvrun" "$root/bench/formatted.dv" /s "$csv" /t "$work/out.xml"
    measure "dvrun grouped/sorted" "$(expect grouped)" "$work/out.xml" \
        "$dvrun" "$root/bench/grouped.dv" /s "$csv" /t "$work/out.xml"
    if [ "$with_pandas" = 1 ]; then
        measure "pandas to_xml" "$(expect plain)" "$work/out.xml" \
            "$pandas_python" "$root/bench/pandas_convert.py" "$csv" "$work/out.xml"
    fi
    mb=$(awk -v b="$(stat -c %s "$csv")" 'BEGIN { print b / 1e6 }')
    reference=$(awk '/^C reference / { print $3 }' "$results")
    awk -v rows="$rows" -v mb="$mb" -v ref="$reference" '{
        kb = $NF; s = $(NF - 1); $NF = ""; $(NF - 1) = ""; sub(/ +$/, "")
        printf "| %s | %d | %.2f | %.0f | %.1f | %.1f | %.2f |\n",
               $0, rows, s, (s > 0 ? rows / s : 0), (s > 0 ? mb / s : 0), kb / 1024, (ref > 0 ? s / ref : 0)
    }' "$results" >>"$table"
done

echo
cat "$table"
if [ "$with_pandas" = 0 ]; then
    echo
    echo "(pandas with lxml is not installed here, so it was not timed.)"
fi

if [ -x "$build/bin/bench_micro" ]; then
    echo
    "$build/bin/bench_micro" --benchmark_min_time=0.2
fi
