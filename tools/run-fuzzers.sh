#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build, starting from the seed corpus in
# tests/fuzz/corpus, until it has run RUNS inputs or SECONDS have passed,
# whichever comes first, and prints how many inputs each ran. Exits non-zero
# when a target found a crash, a leak or a sanitizer report (the input is
# kept under BUILD/fuzz-artifacts).
#
#   tools/run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET [RUNS_PER_TARGET]
#
# FUZZ_TARGETS="fuzz_dtd fuzz_writer" runs only those targets.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-fuzz}
seconds=${2:-120}
runs_wanted=${3:-2000000}
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
failed=0
summary=$build/fuzz-summary.md
{
    echo "| target | seconds | executions | exec/s | outcome |"
    echo "|---|---:|---:|---:|---|"
} >"$summary"
for target in "$build"/fuzz/fuzz_*; do
    name=$(basename "$target")
    if [ -n "${FUZZ_TARGETS:-}" ] && [[ " $FUZZ_TARGETS " != *" $name "* ]]; then
        continue
    fi
    corpus=$build/fuzz-corpus/$name
    mkdir -p "$corpus"
    log=$build/fuzz-$name.log
    started=$SECONDS
    "$target" -max_total_time="$seconds" -runs="$runs_wanted" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$name-" "$corpus" "$root/tests/fuzz/corpus/$name" \
        >"$log" 2>&1
    status=$?
    took=$((SECONDS - started))
    runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
    rate=$(awk '/stat::average_exec_per_sec/ { print $2 }' "$log")
    outcome="no finding"
    if [ "$status" -ne 0 ]; then
        outcome="FINDING (see $log)"
        failed=1
    fi
    echo "| $name | $took | ${runs:-0} | ${rate:-0} | $outcome |" >>"$summary"
    echo "fuzz: $name: ${runs:-0} executions, $outcome" >&2
done
echo
cat "$summary"
exit $failed
