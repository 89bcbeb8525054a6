"""Run one Datavane definition in parts on a Dask cluster.

    from distributed import Client
    import dvobj_dask
    with Client("scheduler:8786") as client:
        dvobj_dask.run(client, "/shared/orders.dv", "/shared/out/orders.xml", parts=8)

One task cuts the text source into parts (a plan), one task per part converts
its range into a part file, and one task joins the parts into the target: the
same bytes one process writes. Every path must name the same file on every
worker (a shared filesystem); each task loads the component in its worker's
process. A failed task is retried by Dask (retries=); a part that still fails
raises PartError with the component's code and message. Progress is Dask's
own progress bar (progress=True).

A definition with a document per row or per value has its documents
written by the parts, under the names its own target gives; the merge checks
that every part is there and target is not written. Definitions whose rows
depend on what the writer remembers of the rows before them ({ID}, nodes
that skip duplicates, groups of an unsorted source) are refused with code
126: run them with Datavane.transform instead.
"""

import os
import shutil
import tempfile
import uuid


class PartError(RuntimeError):
    """A step of a run in parts failed: step ("plan", "part 3 of 8",
    "merge"), the component's error code and its message."""

    def __init__(self, step, code, message):
        super().__init__(step, code, message)
        self.step = step
        self.code = code
        self.message = message

    def __str__(self):
        return "%s failed with %d: %s" % (self.step, self.code, self.message)


def _datavane():
    import dvobj
    return dvobj.Datavane()


def _plan(dv_file, plan_file, parts, source, locale):
    with _datavane() as dv:
        if not dv.plan(dv_file, plan_file, parts, source_file=source, locale=locale):
            raise PartError("plan", dv.error_code, dv.error_message)
    return plan_file


def _part(dv_file, part_file, index, parts, plan_file, source, locale):
    with _datavane() as dv:
        if not dv.part(dv_file, part_file, index, parts, plan_file=plan_file,
                       source_file=source, locale=locale):
            raise PartError("part %d of %d" % (index, parts), dv.error_code, dv.error_message)
    return part_file


def _merge(dv_file, part_files, target, source, validate_schema, locale):
    with _datavane() as dv:
        if not dv.merge(dv_file, part_files, target_file=target, source_file=source,
                        validate_schema=validate_schema, locale=locale):
            raise PartError("merge", dv.error_code, dv.error_message)
    return target


def _absolute(path):
    return None if path is None else os.path.abspath(path)


def run(client, dv_file, target, parts=None, source=None, workdir=None, retries=2,
        validate_schema=None, locale=None, progress=False, keep_parts=False):
    """Run dv_file in parts on client (a distributed.Client) into target.

    parts: how many (default: the cluster's worker threads). source: a source
    file in place of the definition's. workdir: a folder every worker sees,
    for the plan and the part files (default: the target's folder); they go
    into a fresh folder inside it, removed afterwards unless keep_parts.
    validate_schema and locale as for Datavane.transform. Returns target.
    """
    if parts is None:
        parts = max(1, sum(client.nthreads().values()))
    if not isinstance(parts, int) or parts < 1:
        raise ValueError("parts must be a whole number of at least 1")
    dv_file, target, source = _absolute(dv_file), _absolute(target), _absolute(source)
    folder = tempfile.mkdtemp(prefix=".dvparts-",
                              dir=_absolute(workdir) or os.path.dirname(target))
    run_id = uuid.uuid4().hex[:12]
    try:
        plan = client.submit(_plan, dv_file, os.path.join(folder, "run.plan"), parts, source,
                             locale, key="dv-plan-" + run_id, retries=retries, pure=False)
        part_files = [
            client.submit(_part, dv_file, os.path.join(folder, "run.%d.part" % k), k, parts,
                          plan, source, locale, key="dv-part-%d-of-%d-%s" % (k, parts, run_id),
                          retries=retries, pure=False)
            for k in range(parts)]
        merged = client.submit(_merge, dv_file, part_files, target, source, validate_schema,
                               locale, key="dv-merge-" + run_id, retries=retries, pure=False)
        if progress:
            from distributed import progress as show_progress
            show_progress(part_files + [merged])
        return merged.result()
    finally:
        if not keep_parts:
            shutil.rmtree(folder, ignore_errors=True)
