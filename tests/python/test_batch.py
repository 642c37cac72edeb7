"""zorscale.batch: a manifest's rows here and on a Dask cluster give one summary, and a cluster that
loses a worker mid-batch still finishes it."""

import os
import shutil
import signal
import threading
import time
from pathlib import Path

import pytest

import zorscale

PARTS = Path(os.environ["ZOR_EXAMPLE_PARTS"])

CAMPAIGN = """part,reference,analysis,options,out
bracket-scan.stl,bracket.step,deviation,--tolerance 0.05 --size 240x180,out/scan
bracket-scan.stl,bracket.step,deviation,--tolerance 0.05 --size 240x180 --view front,out/scan-front
bracket.step,,draft,--min-draft 1 --size 240x180,out/draft
torus.step,,mean,"--size 240x180 --view 'top'",out/torus
missing.stl,,,,out/missing
"""


def campaign(folder: Path) -> Path:
    folder.mkdir(parents=True, exist_ok=True)
    for part in ("bracket.step", "bracket-scan.stl", "torus.step"):
        shutil.copy(PARTS / part, folder / part)
    manifest = folder / "campaign.csv"
    manifest.write_text(CAMPAIGN)
    return manifest


def rows(summary):
    return summary["rows"]


@pytest.fixture(scope="module")
def here(tmp_path_factory):
    """The campaign run on this machine, as zorhost batch runs it."""
    return zorscale.batch.run(campaign(tmp_path_factory.mktemp("here")), jobs=2)


def test_a_local_run_is_zorhost_batchs_summary(here, tmp_path):
    assert here["schema"] == "zorhost-batch-summary"
    ends = [row["end"] for row in rows(here)]
    assert ends == ["done", "done", "done", "done", "failed"]
    assert "missing.stl" in rows(here)[4]["error"]
    assert rows(here)[0]["inspection"]["unit"] == "mm"
    # A named summary lands where asked; a manifest zorhost refuses is a ScaleError with its words.
    manifest = campaign(tmp_path)
    named = zorscale.batch.run(manifest, summary=tmp_path / "results/first")
    assert (tmp_path / "results/first.json").is_file() and rows(named) == rows(here)
    bad = tmp_path / "bad.csv"
    bad.write_text("part,picture\nbracket.step,out/a\n")
    with pytest.raises(zorscale.ScaleError, match="unknown column 'picture'"):
        zorscale.batch.run(bad)
    with pytest.raises(zorscale.ScaleError, match="nothing.csv"):
        zorscale.batch.run(tmp_path / "nothing.csv")


distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as connected:
        yield connected


def test_a_cluster_gives_the_local_summary(here, client, tmp_path):
    summary = zorscale.batch.run(campaign(tmp_path), client=client)
    assert rows(summary) == rows(here)


def batch_processes():
    """{pid: parent pid} of the zorhost batches the cluster's tasks run (and the parts they fork)."""
    found = {}
    for entry in Path("/proc").iterdir():
        try:
            if b"--end-with-parent" in (entry / "cmdline").read_bytes().split(b"\0"):
                found[int(entry.name)] = int((entry / "stat").read_text().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            continue
    return found


def rendering_worker() -> int:
    """The pid of a worker whose zorhost batch is rendering a row, once one is."""
    for _ in range(600):
        batches = batch_processes()
        # A part's process is a fork of its batch: the worker is the parent of a batch.
        workers = [parent for pid, parent in batches.items() if parent not in batches and pid in batches.values()]
        if workers:
            return workers[0]
        time.sleep(0.02)
    raise AssertionError("no row started")


def test_a_lost_worker_loses_no_row(here, client, tmp_path):
    manifest = campaign(tmp_path)
    result = {}
    running = threading.Thread(target=lambda: result.update(zorscale.batch.run(manifest, client=client)))
    running.start()
    os.kill(rendering_worker(), signal.SIGKILL)
    running.join(timeout=240)
    assert not running.is_alive()
    assert rows(result) == rows(here)
    # The lost worker's zorhost and the part it was rendering ended with it.
    assert not batch_processes()
