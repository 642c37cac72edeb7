"""zorscale's parts and batches beside zorhost's own runs.

    PYTHONPATH=build/release/python python3 bench/zorscale_batch.py

- part.picture of a view (the part read, analysed and pictured) against zorhost render
  --values-out of the same view, a process started for it;
- zorscale.batch.run of a campaign of 40 renders (bench/BatchBench.cpp's, the example parts seen
  from ten directions) on a LocalCluster of two workers of one thread against the local run
  (zorhost batch, a part a core).
The medians of the runs are printed in seconds.
"""

import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

import zorscale
from zorscale import _place

PARTS = Path(__file__).resolve().parent.parent / "examples" / "parts"
KINDS = [("bracket-scan.stl", "bracket.step", "deviation", "--tolerance 0.05"), ("moulded.step", "", "draft", "--min-draft 1"),
         ("torus.step", "", "mean", ""), ("bracket.step", "", "gaussian", "")]


def median_s(work, runs, prepare=lambda: None):
    times = []
    for _ in range(runs):
        prepare()
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def pictures(folder: Path) -> None:
    for part, reference, analysis, _ in KINDS:
        extra = {"reference": str(PARTS / reference)} if reference else {}
        extra_args = ["--reference", str(PARTS / reference)] if reference else []

        def in_python():
            zorscale.Part.read(str(PARTS / part)).picture(analysis, size=(1024, 768), **extra)

        def by_zorhost():
            subprocess.run([_place.zorhost(), "render", str(PARTS / part), "--analysis", analysis, *extra_args,
                            "--size", "1024x768", "--values-out", str(folder / "values.csv"), "--legend", "none",
                            "--out", str(folder / "picture")], check=True, capture_output=True)

        python_s, zorhost_s = median_s(in_python, 5), median_s(by_zorhost, 5)
        print(f"{part:17s} {analysis:9s}: part.picture {python_s:.3f} s, zorhost render --values-out "
              f"{zorhost_s:.3f} s ({python_s / zorhost_s:.2f}x)")


def campaign(folder: Path) -> Path:
    for part in ("bracket.step", "bracket-scan.stl", "moulded.step", "torus.step"):
        shutil.copy(PARTS / part, folder / part)
    lines = ["part,reference,analysis,options,out"]
    for view in range(10):
        for kind, (part, reference, analysis, options) in enumerate(KINDS):
            lines.append(f'{part},{reference},{analysis},"{options} --size 640x480 --view {36 * view},25",out/{kind}-{view}')
    (folder / "campaign.csv").write_text("\n".join(lines) + "\n")
    return folder / "campaign.csv"


def batches(folder: Path) -> None:
    from distributed import Client, LocalCluster

    manifest = campaign(folder)
    fresh = lambda: shutil.rmtree(folder / "out", ignore_errors=True)  # noqa: E731
    quiet = lambda: subprocess.run([_place.zorhost(), "batch", str(manifest)], check=True, capture_output=True)  # noqa: E731
    here_s = median_s(quiet, 3, fresh)
    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster) as client:
        cluster_s = median_s(lambda: zorscale.batch.run(manifest, client=client), 3, fresh)
    print(f"40 renders: zorhost batch here {here_s:.2f} s, on a LocalCluster of 2 workers {cluster_s:.2f} s "
          f"({cluster_s / here_s:.2f}x)")


def main():
    with tempfile.TemporaryDirectory() as folder:
        pictures(Path(folder))
        batches(Path(folder))


if __name__ == "__main__":
    main()
