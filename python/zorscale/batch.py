"""Batches of parts: the rows of a zorhost batch manifest rendered here or on a Dask cluster.

The manifest is zorhost batch's own (``zorhost batch --help``): a CSV file naming each part, its
reference, analysis, options and output prefix. Each row is run by zorhost batch as ``--rows K``
runs it, so a row that fails fails alone, a row whose inputs are unchanged is kept, and the summary
is the one zorhost writes.

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
import threading
from collections import Counter
from pathlib import Path
from typing import Any, Dict, List, Optional, Tuple, Union

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


# A worker's zorhosts that stay between its tasks, a task thread and manifest each: a row asked of
# one costs a fork, not the start of a program.
_ROW_SERVERS: Dict[Tuple[int, str, int], "subprocess.Popen[str]"] = {}


def _row_server(manifest: str, threads: int) -> "subprocess.Popen[str]":
    key = (threading.get_ident(), manifest, threads)
    server = _ROW_SERVERS.get(key)
    if server is None or server.poll() is not None:
        # Its parent is this thread: a lost worker takes it, and the part it renders, along.
        server = subprocess.Popen([_place.zorhost(), "batch", manifest, "--rows-asked", "--jobs", "1",
                                   "--threads", str(threads), "--end-with-parent"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  text=True, bufsize=1)
        _ROW_SERVERS[key] = server
    return server


def _render_row(manifest: str, row: int, threads: Dict[str, int]) -> None:
    """A cluster's task: one row, by the worker's zorhost, on the worker's share of its machine's
    cores. A part that fails ends the task well (the summary tells it); a zorhost lost raises, for
    a retry."""
    from distributed import get_worker

    worker = get_worker()
    slots = getattr(worker, "state", worker).nthreads  # older releases keep it on the worker
    server = _row_server(manifest, threads.get(worker.address, max(1, (os.cpu_count() or 1) // max(1, slots))))
    assert server.stdin is not None and server.stdout is not None
    try:
        server.stdin.write(f"{row}\n")
        server.stdin.flush()
        answer = server.stdout.readline()
    except (BrokenPipeError, ValueError):
        answer = ""
    if not answer:
        raise RuntimeError(f"zorhost batch ended while rendering row {row} of {manifest}")
    status, _, message = answer.rstrip("\n").partition("\t")
    if status == str(_USAGE):
        raise ScaleError(message)
    if status not in ("0", "1"):  # 1: the part failed, as the summary tells
        raise RuntimeError(message)


def _close_row_servers(manifest: str) -> None:
    for key in [key for key in _ROW_SERVERS if key[1] == manifest]:
        server = _ROW_SERVERS.pop(key)
        if server.stdin is not None:
            server.stdin.close()
        server.wait()


def _thread_shares(client: Any) -> Dict[str, int]:
    """Each worker's threads a part: its machine's cores shared among the task slots of every
    worker on that machine (a LocalCluster's workers share one)."""
    workers = client.scheduler_info()["workers"]
    cores = client.run(os.cpu_count)
    slots: Counter[str] = Counter()
    for worker in workers.values():
        slots[worker["host"]] += worker["nthreads"]
    return {address: max(1, (cores.get(address) or 1) // max(1, slots[worker["host"]]))
            for address, worker in workers.items()}


def _run_on(client: Any, manifest: str, rows: int, retries: int) -> None:
    threads = _thread_shares(client)
    tasks = client.map(_render_row, [manifest] * rows, range(1, rows + 1), threads=threads, pure=False,
                       retries=retries)
    try:
        client.gather(tasks)
    finally:
        client.run(_close_row_servers, manifest)
