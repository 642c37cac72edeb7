"""A scale as a matplotlib colormap and norm that draw exactly the colors the scale paints."""

import functools

import numpy as np

# BoundaryNorm gives its color indices as int16.
_MOST_BOUNDARY_NORM_COLORS = 32767


def to_matplotlib(scale):
    """Returns (cmap, norm) for matplotlib: a ListedColormap and a BoundaryNorm.

    The colormap holds one color for every run of values the scale paints alike, the norm the
    exact first value of each run, so that cmap(norm(v)) is the scale's color for every value:
    blended blocks are cut into as many runs as their color takes steps. NaN (matplotlib's "bad"
    values, which its images mask) is drawn in the color the scale paints it.
    Scales of a single color, or of more runs than a BoundaryNorm can index, get a Normalize of
    the same thresholds.
    """
    from matplotlib import colors as mcolors

    thresholds, rgba = scale.color_steps()
    cmap = mcolors.ListedColormap(rgba / 255.0, name="zorscale")
    cmap.set_under(rgba[0] / 255.0)
    cmap.set_over(rgba[-1] / 255.0)
    cmap.set_bad(scale.paint(np.nan) / 255.0)
    if 2 <= len(thresholds) < _MOST_BOUNDARY_NORM_COLORS:
        # Values below the first threshold are its "min" extension, above the last its "max".
        norm = _boundary_norm_class()(thresholds, ncolors=len(rgba), extend="both")
    else:
        norm = _step_norm_class()(thresholds)
    return cmap, norm


def _masked_nan(value):
    """The values with NaN masked, matplotlib's "bad": painted the scale's undefined color. The
    infinities stay, in the first and the last color, as the scale paints them."""
    data = np.ma.asarray(value, dtype=np.float64)
    return np.ma.masked_where(np.isnan(data.filled(np.nan)), data)


@functools.cache
def _boundary_norm_class():
    from matplotlib import colors as mcolors

    class ScaleBoundaryNorm(mcolors.BoundaryNorm):
        """A BoundaryNorm that leaves NaN "bad" rather than past its last boundary."""

        def __call__(self, value, clip=None):
            data = _masked_nan(value)
            result = super().__call__(data.filled(0.0), clip)
            masked = np.ma.array(result, mask=np.ma.getmaskarray(data))
            if np.ndim(value) == 0 and not masked.mask:
                return int(masked)
            return masked

    return ScaleBoundaryNorm


@functools.cache
def _step_norm_class():
    from matplotlib import colors as mcolors

    class StepNorm(mcolors.Normalize):
        """The color index of each value: how many thresholds it has reached."""

        def __init__(self, thresholds):
            thresholds = np.asarray(thresholds, dtype=np.float64)
            low = thresholds[0] if len(thresholds) else 0.0
            high = thresholds[-1] if len(thresholds) else 1.0
            super().__init__(vmin=low, vmax=high, clip=False)
            self.thresholds = thresholds

        def __call__(self, value, clip=None):
            data = _masked_nan(value)
            index = np.searchsorted(self.thresholds, data.filled(0.0), side="right")
            result = np.ma.array(index, mask=np.ma.getmaskarray(data))
            return int(result) if np.ndim(value) == 0 and not result.mask else result

        def inverse(self, value):
            raise ValueError("a scale's steps have no inverse")

    return StepNorm

