#!/bin/bash
# Runs a definition in N parts on a Slurm cluster:
#   submit.sh DEFINITION.dv TARGET N WORKFOLDER
# writes the plan, submits one array task per part and a merge job that
# starts when all of them have succeeded. Paths must be the same on every
# node (a shared filesystem); DVRUN names dvrun if it is not on the PATH.
set -euo pipefail
if [ $# -ne 4 ]; then
    echo "usage: $0 DEFINITION.dv TARGET N WORKFOLDER" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
definition=$(realpath "$1")
target=$(realpath -m "$2")
parts=$3
work=$(realpath -m "$4")
mkdir -p "$work"
"${DVRUN:-dvrun}" "$definition" --plan "$parts" /t "$work/run.plan" /l "$work/dvrun.log"
export DV_FILE=$definition DV_PARTS=$parts DV_WORK=$work DV_TARGET=$target
array=$(sbatch --parsable --chdir="$work" --array="0-$((parts - 1))" --export=ALL \
    "$here/dvrun-part.sbatch")
array=${array%%;*}
merge=$(sbatch --parsable --chdir="$work" --dependency="afterok:$array" --kill-on-invalid-dep=yes \
    --export=ALL "$here/dvrun-merge.sbatch")
echo "parts: job $array, merge: job ${merge%%;*}"
