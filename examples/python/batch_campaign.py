"""Runs a small inspection campaign with zorscale.batch: a manifest of parts, run on this machine,
then again as tasks of a Dask cluster (here a LocalCluster of two workers; a cluster of other
machines is reached the same way, given its scheduler's address), and the two summaries compared.

    python3 examples/python/batch_campaign.py OUT_FOLDER

OUT_FOLDER receives the parts, the manifest, each part's picture, statistics and log, and the
summary (campaign-summary.csv and .json).
"""

import shutil
import sys
from pathlib import Path

import zorscale

PARTS = Path(__file__).resolve().parent.parent / "parts"

MANIFEST = """part,reference,analysis,options,out
bracket-scan.stl,bracket.step,deviation,--tolerance 0.05 --size 480x360,scans/bracket-iso
bracket-scan.stl,bracket.step,deviation,--tolerance 0.05 --size 480x360 --view front,scans/bracket-front
moulded.step,,draft,--min-draft 1 --size 480x360,draft/moulded
torus.step,,mean,--size 480x360,curvature/torus
bracket.step,,gaussian,--size 480x360,curvature/bracket
"""


def main(out: Path) -> int:
    out.mkdir(parents=True, exist_ok=True)
    for part in ("bracket.step", "bracket-scan.stl", "moulded.step", "torus.step"):
        shutil.copy(PARTS / part, out / part)
    manifest = out / "campaign.csv"
    manifest.write_text(MANIFEST)

    here = zorscale.batch.run(manifest)
    for row in here["rows"]:
        verdict = (row["inspection"] or {}).get("tolerance") or {}
        print(f"row {row['row']}: {row['part']} {row['analysis']}: {row['end']}"
              + (f", {verdict['verdict']} ({verdict['within']:.1f} % within)" if verdict else ""))

    try:
        from distributed import Client, LocalCluster
    except ImportError:
        print("no Dask here (python3-distributed): the cluster's run is left out")
        return 0
    # A second run keeps every row (their inputs are unchanged); outputs gone are made again.
    shutil.rmtree(out / "scans")
    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster) as client:
        on_cluster = zorscale.batch.run(manifest, client=client)
    same = on_cluster["rows"] == here["rows"]
    print("the cluster's summary is the local one:", same)
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else "campaign")))
