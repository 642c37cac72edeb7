"""Inspects a scanned part against its CAD reference with zorscale: the deviation at the scan's
vertices, a picture's values painted in a tolerance scale, the statistics and verdict, and the
deviation of a few points picked by hand.

    python3 examples/python/inspect_part.py OUT_FOLDER

Writes OUT_FOLDER/scan-deviation.png: the scan seen from the default view, in the colours
zorhost render --tolerance 0.05 paints it.
"""

import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import zorscale

PARTS = Path(__file__).resolve().parent.parent / "parts"


def main(out: Path) -> int:
    out.mkdir(parents=True, exist_ok=True)
    reference = str(PARTS / "bracket.step")
    scan = zorscale.Part.read(str(PARTS / "bracket-scan.stl"))

    # The values at the analysis mesh's vertices, with the mesh.
    mesh = scan.analyse("deviation", reference=reference)
    print(f"{len(mesh.vertices)} vertices, {len(mesh.triangles)} triangles, deviation "
          f"{np.nanmin(mesh.values):.4f} to {np.nanmax(mesh.values):.4f} {mesh.unit}")

    # The part's statistics over its area, with a tolerance of +-0.05 mm.
    record = scan.statistics("deviation", reference=reference, tolerance=0.05)
    tolerance, worst = record["tolerance"], record["maximum"]
    print(f"verdict {tolerance['verdict']}: {tolerance['within']:.1f} % of the area within, "
          f"{tolerance['above']:.1f} % above, {tolerance['below']:.1f} % below; mean {record['mean']:.4f} "
          f"{record['unit']}, worst {worst['value']:.4f} at {np.round(worst['point'], 2)}")

    # A picture's values, painted with the tolerance scale zorhost would use over the part's extremes.
    values = scan.picture("deviation", reference=reference, size=(640, 480))
    scale = zorscale.Scale()
    scale.impose_tolerance(0.05, range=(record["minimum"]["value"], worst["value"]))
    rgba = scale.paint(values)
    rgba[np.isnan(values)] = (255, 255, 255, 255)
    figure, axes = plt.subplots(figsize=(8.6, 4.8), dpi=100)
    axes.imshow(rgba)
    axes.set_axis_off()
    axes.set_title("bracket scan against its CAD, tolerance ±0.05 mm")
    scale.colorbar(axes, label=f"deviation ({record['unit']})")
    figure.savefig(out / "scan-deviation.png", bbox_inches="tight")

    # Points picked by hand: on the reference's surface they read 0.
    points = mesh.vertices[:3]
    print("deviation at three scan vertices:", scan.deviation_at(points, reference))
    print("wrote", out / "scan-deviation.png")
    return 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else "inspection")))
