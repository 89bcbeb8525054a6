#!/usr/bin/env python3
"""Times a definition run in parts on a local Dask cluster against dvrun.

  parts_bench.py DEFINITION.dv SOURCE.csv WORKFOLDER [PARTS] [WORKERS]

Runs dvrun once (the single run), then dvobj_dask.run with PARTS parts
(default 4) on a LocalCluster of WORKERS processes (default: the cores),
checks that both wrote the same bytes and prints the times. Needs Debian's
python3-distributed; DVRUN and DVOBJ_LIBRARY name the build's programs.
"""
import filecmp
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "component",
                                "python"))
os.environ["PYTHONPATH"] = os.pathsep.join(
    [sys.path[0]] + [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p])

import dvobj_dask  # noqa: E402
from distributed import Client, LocalCluster  # noqa: E402


def main():
    definition, source, work = (os.path.abspath(a) for a in sys.argv[1:4])
    parts = int(sys.argv[4]) if len(sys.argv) > 4 else 4
    workers = int(sys.argv[5]) if len(sys.argv) > 5 else os.cpu_count()
    dvrun = os.environ.get("DVRUN", "dvrun")
    single = os.path.join(work, "single.xml")
    start = time.monotonic()
    subprocess.run([dvrun, definition, "/s", source, "/t", single, "/l",
                    os.path.join(work, "bench.log")], check=True)
    single_seconds = time.monotonic() - start
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        merged = os.path.join(work, "parts.xml")
        start = time.monotonic()
        dvobj_dask.run(client, definition, merged, parts=parts, source=source, workdir=work)
        parts_seconds = time.monotonic() - start
    same = filecmp.cmp(single, merged, shallow=False)
    print("single run: %.2f s; %d parts on %d Dask workers: %.2f s; same bytes: %s"
          % (single_seconds, parts, workers, parts_seconds, same))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
