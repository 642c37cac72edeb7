"""Paints a numpy field with a zorscale scale and draws it with matplotlib, its colorbar the
scale's blocks.

    PYTHONPATH=build/default/python ZOR_MODULE_PATH=build/default/bin \\
        python3 examples/python/paint_field.py field.png

The field is the height of a dented plate; the scale is zorhost's default of 11 blocks in the
RdBu_r preset, its extremes fitted to the values as zorhost fits them to a part.
"""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import zorscale


def dented_plate(size=400):
    x, y = np.meshgrid(np.linspace(-2.0, 2.0, size), np.linspace(-1.5, 1.5, size * 3 // 4))
    bump = 0.8 * np.exp(-((x - 0.6) ** 2 + (y - 0.3) ** 2) / 0.3)
    dent = -1.1 * np.exp(-((x + 0.9) ** 2 + (y + 0.4) ** 2) / 0.15)
    return x, y, 0.15 * np.sin(2.0 * x) * np.cos(3.0 * y) + bump + dent


def main(out):
    x, y, height = dented_plate()
    scale = zorscale.Scale(11)
    scale.impose_preset("RdBu_r")
    for line in scale.fit(height):
        print("fit:", line)
    cmap, norm = scale.to_matplotlib()

    # What matplotlib draws is what the scale paints, value for value.
    drawn = np.round(np.asarray(cmap(norm(height))) * 255.0).astype(np.uint8)
    mismatches = np.count_nonzero(np.any(drawn != scale.paint(height), axis=-1))
    print(f"{height.size} values, {mismatches} drawn otherwise than painted")

    figure, axes = plt.subplots(figsize=(7.5, 4.5), dpi=100)
    image = axes.pcolormesh(x, y, height, cmap=cmap, norm=norm, shading="nearest")
    axes.set_aspect("equal")
    axes.set_title("height of a dented plate, painted by zorscale")
    bar = figure.colorbar(image, ax=axes, spacing="proportional")
    bar.set_label("height")
    figure.savefig(out, bbox_inches="tight")
    print("wrote", out)
    return 0 if mismatches == 0 else 1


if __name__ == "__main__":
    if len(sys.argv) > 1:
        sys.exit(main(sys.argv[1]))
    print("note: no file named: the figure goes to field.png in the current folder "
          "(give a path to write it elsewhere)")
    sys.exit(main("field.png"))
