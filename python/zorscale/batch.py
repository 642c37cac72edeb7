"""Batches of parts: the rows of a zorhost batch manifest rendered here or on a Dask cluster.

The manifest is zorhost batch's own (``zorhost batch --help``): a CSV file naming each part, its
reference, analysis, options and output prefix. Each row runs as ``zorhost batch MANIFEST --rows
K``, so a row that fails fails alone, a row whose inputs are unchanged is kept, and the summary is
the one zorhost writes.

    summary = zorscale.batch.run("campaign.csv")                   # on this machine's cores
    summary = zorscale.batch.run("campaign.csv", client=client)    # a task a row on a cluster
    failed = [row for row in summary["rows"] if row["end"] != "done"]

On a cluster every worker must see the manifest's folder at the same path (a shared file system)
and have zorscale installed.
"""

from __future__ import annotations

import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path
from typing import Any, Dict, List, Optional, Union

from . import _place
from ._zorscale import ScaleError

__all__ = ["run"]

_USAGE = 2  # zorhost's exit status for what was asked wrongly


def run(manifest: Union[str, "os.PathLike[str]"], *, client: Any = None, jobs: Optional[int] = None,
        retries: int = 2, summary: Optional[Union[str, "os.PathLike[str]"]] = None) -> Dict[str, Any]:
    """Renders every row of ``manifest`` and returns the batch's summary (its JSON as a dict).

    Without ``client``, zorhost batch runs the rows here, ``jobs`` parts at once (default: one a
    core), telling each row's end on stderr. With a ``dask.distributed.Client``, each row is a task
    of the cluster, tried ``retries`` more times if its worker is lost. ``summary`` is the prefix of
    the summary's files (default: beside the manifest, its name then ``-summary``).

    A part that fails is a row of the summary whose ``end`` is ``"failed"``, not an exception. Raises
    ScaleError when the manifest cannot be run, RuntimeError when zorhost cannot be.
    """
    path = str(Path(manifest).resolve())
    written = [] if summary is None else ["--summary", str(Path(summary).resolve())]
    if client is None:
        options = written if jobs is None else ["--jobs", str(jobs), *written]
        return _read_summary(_batch(path, *options, progress=True))
    _run_on(client, path, _row_count(path), retries)
    return _read_summary(_batch(path, "--summary-only", *written))


def _batch(*arguments: str, progress: bool = False, parts_may_fail: bool = True) -> str:
    """Runs zorhost batch and gives what it printed; its progress goes on to stderr if asked."""
    command = [_place.zorhost(), "batch", *arguments]
    with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True) as process:
        told: List[str] = []
        assert process.stderr is not None and process.stdout is not None
        for line in process.stderr:
            told.append(line)
            if progress:
                sys.stderr.write(line)
        printed = process.stdout.read()
    if process.returncode == 0 or (process.returncode == 1 and parts_may_fail):
        return printed
    message = next((line.strip() for line in told if line.startswith("zorhost")), "".join(told).strip())
    if process.returncode == _USAGE:
        raise ScaleError(message)
    raise RuntimeError(message or f"{' '.join(command)} ended with status {process.returncode}")


def _read_summary(printed: str) -> Dict[str, Any]:
    """The summary whose files zorhost batch named on its last line ("summary: P.csv, P.json")."""
    line = printed.strip().splitlines()[-1]
    path = line[line.rindex(".csv, ") + len(".csv, "):]
    with open(path, encoding="utf-8") as file:
        summary: Dict[str, Any] = json.load(file)
    return summary


def _row_count(manifest: str) -> int:
    """How many rows the manifest has, once zorhost has found that it can run it."""
    with tempfile.TemporaryDirectory() as folder:
        return len(_read_summary(_batch(manifest, "--summary-only", "--summary", folder + "/rows",
                                        parts_may_fail=False))["rows"])


def _render_row(manifest: str, row: int) -> None:
    """A cluster's task: one row, by the worker's zorhost, on the worker's share of its cores. A
    part that fails ends the task well (the summary tells it); a lost zorhost raises, for a retry."""
    from distributed import get_worker

    worker = get_worker()
    slots = max(1, getattr(worker, "state", worker).nthreads)  # older releases keep it on the worker
    threads = max(1, (os.cpu_count() or 1) // slots)
    _batch(manifest, "--rows", str(row), "--jobs", "1", "--threads", str(threads), "--end-with-parent")


def _run_on(client: Any, manifest: str, rows: int, retries: int) -> None:
    tasks = client.map(_render_row, [manifest] * rows, range(1, rows + 1), pure=False, retries=retries)
    client.gather(tasks)
