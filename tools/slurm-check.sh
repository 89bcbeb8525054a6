#!/usr/bin/env bash
# Runs the Slurm example on a one-node cluster on this machine and compares
# the merged document with a single run. Needs root (it installs slurm-wlm
# and munge with apt-get and starts their daemons); not part of make check.
#   tools/slurm-check.sh [BUILD_DIR] [PARTS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
parts=${2:-3}
dvrun=$build/bin/dvrun
[ -x "$dvrun" ] || { echo "no $dvrun: build first" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 1; }

missing=()
for package in slurm-wlm munge; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d /tmp/dv-slurm.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# munge: a key of this check's own, a daemon on a socket of its own.
mkdir -p "$work/munge"
chmod 700 "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$work/munge/munge.key"
munged --force --foreground --key-file="$work/munge/munge.key" \
    --socket="$work/munge/munge.socket" --pid-file="$work/munge/munged.pid" \
    --log-file="$work/munge/munged.log" --seed-file="$work/munge/munged.seed" \
    >"$work/munge/munged.out" 2>&1 &
pids+=($!)

node=$(hostname -s)
mkdir -p "$work/state" "$work/spool"
cat > "$work/slurm.conf" <<CONF
ClusterName=dvcheck
SlurmctldHost=$node
SlurmctldPort=16817
SlurmdPort=16818
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
NodeName=$node CPUs=$(nproc) State=UNKNOWN
PartitionName=check Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf
for _ in $(seq 50); do [ -S "$work/munge/munge.socket" ] && break; sleep 0.1; done
slurmctld -D -i >"$work/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D >"$work/slurmd.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    sinfo -h -o %t 2>/dev/null | grep -qE '^(idle|mix|alloc)' && break
    sleep 0.3
done
sinfo

# A definition of rows standing alone over generated rows with quoted line
# breaks, run once and in parts.
data=$work/data
mkdir -p "$data"
python3 - "$data/in.csv" <<'PY'
import sys
with open(sys.argv[1], "w", encoding="utf-8") as out:
    out.write("Id,Name,Note\n")
    for i in range(20000):
        out.write('%d,"name & <%d>","two\nlines %d"\n' % (i, i, i))
PY
cat > "$data/rows.dv" <<DV
<tarnwrightdatavane><version>2.6</version><sourcefilename>$data/in.csv</sourcefilename>
<targetfilename>$data/single.xml</targetfilename><delimiter>,</delimiter>
<quotedlinebreaks>-1</quotedlinebreaks><encoding>utf-8</encoding><indent-output>-1</indent-output>
<xmlroot/></tarnwrightdatavane>
DV
"$dvrun" "$data/rows.dv" /t "$data/single.xml" /l "$work/dvrun.log"

export DVRUN=$dvrun
# Submits the definition's array and merge jobs and compares the merged
# document with the single run's.
check() {
    local name=$1 definition=$2 single=$3
    "$root/examples/slurm/submit.sh" "$definition" "$data/$name-merged.xml" "$parts" \
        "$data/$name-work" | tee "$work/submitted"
    local merge
    merge=$(sed -n 's/.*merge: job \([0-9]*\).*/\1/p' "$work/submitted")
    for _ in $(seq 600); do
        squeue -h -j "$merge" 2>/dev/null | grep -q . || break
        sleep 0.5
    done
    if cmp "$single" "$data/$name-merged.xml"; then
        echo "slurm-check: $name: $parts array tasks and the merge gave the single run's $(stat -c %s "$single") bytes"
    else
        echo "slurm-check: $name: the merged document differs from the single run" >&2
        tail -n 20 "$work"/*.out "$data/$name-work"/*.log >&2 || true
        exit 1
    fi
}
check rows "$data/rows.dv" "$data/single.xml"

# Orders grouped by city, sorted by city and date: the parts split between
# cities, on split points a sample pass chose.
python3 "$root/bench/generate.py" 30000 "$data/orders.csv"
sed "s|<sourcefilename>[^<]*</sourcefilename>|<sourcefilename>$data/orders.csv</sourcefilename>|" \
    "$root/bench/grouped.dv" >"$data/grouped.dv"
"$dvrun" "$data/grouped.dv" /t "$data/grouped-single.xml" /l "$work/dvrun.log"
check grouped "$data/grouped.dv" "$data/grouped-single.xml"
