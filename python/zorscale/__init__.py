"""The color scales of ZORCarColorScale for numpy arrays and matplotlib.

The scales are made, loaded and painted by the color scale module itself, loaded the way zorhost
loads it: a value gets here exactly the color it gets on a part painted by zorhost.

    import numpy as np, zorscale
    scale = zorscale.Scale(9)
    scale.impose_preset("viridis")
    scale.fit(values)                 # the extremes follow the values, as on a part
    rgba = scale.paint(values)        # uint8 (..., 4)
    cmap, norm = scale.to_matplotlib()  # for imshow, pcolormesh, scatter ...
    scale.colorbar(axes.imshow(field, cmap=cmap, norm=norm))  # like the legend

    part = zorscale.Part.read("bracket.step")
    mesh = part.analyse("mean")       # values at the analysis mesh's vertices
    values = part.picture(size=(800, 600))  # the per-pixel values zorhost render paints
    summary = zorscale.batch.run("campaign.csv")  # zorhost batch's manifest, here or on Dask

Errors in what is asked raise ScaleError (a ValueError) with zorhost's own message; failures of
the host or of a file being written raise RuntimeError.
"""

from . import _place, batch
from ._zorscale import AnalysedMesh, Part, Scale, ScaleError, presets
from ._matplotlib import colorbar, to_matplotlib

_place.use_module()

__all__ = ["AnalysedMesh", "Part", "Scale", "ScaleError", "colorbar", "batch", "presets", "to_matplotlib"]
