"""A scale as a matplotlib colormap and norm that draw exactly the colors the scale paints, and a
colorbar that reads like zorhost's legend."""

import functools
from typing import Any, Optional, Tuple

import numpy as np

# Each block of the colorbar drawn in this many pieces, so that a blended block shows its blend.
_PIECES_OF_A_BLOCK = 16


def to_matplotlib(scale: Any) -> Tuple[Any, Any]:
    """Returns (cmap, norm) for matplotlib, one color per flat block and a linear segment per
    blended one, like the legend.

    The norm is a BoundaryNorm of the scale's boundaries: a colorbar of it puts its ticks at the
    boundaries and gives every block the same length, as the legend does. It places a value on the
    colormap and hands the value itself on with it, so that cmap(norm(v)) is the color the scale
    paints v (the module's rule: tolerance bands, blends truncated to bytes), for every value. NaN
    (matplotlib's "bad" values, which its images mask) is drawn in the color the scale paints it;
    values below the first boundary and above the last are the "under" and "over" colors.
    """
    scale.color_steps()  # refuses a scale painted value by value, as no colormap can hold it
    boundaries = np.asarray(scale.boundaries, dtype=np.float64)
    if len(boundaries) == 1:
        # Two blocks: the one boundary, and a double above it for the norm's second.
        boundaries = np.array([boundaries[0], np.nextafter(boundaries[0], np.inf)])
    norm = _norm_class()(scale, boundaries)
    cmap = _colormap_class()(scale, norm)
    return cmap, norm


def colorbar(scale: Any, where: Any = None, **options: Any) -> Any:
    """Draws the scale's colorbar with one call, like zorhost's legend: a block a length, blended
    blocks shading, ticks at the boundaries with zorhost's numbers, the end blocks as the bar's
    extensions. `where` is a mappable drawn with to_matplotlib()'s cmap and norm, or the Axes the
    bar goes beside (the current one when None); other options go to Figure.colorbar. Returns the
    Colorbar."""
    import matplotlib.pyplot as plt
    from matplotlib import cm, ticker
    from ._zorscale import shown_number

    cmap, norm = to_matplotlib(scale)
    if isinstance(where, cm.ScalarMappable):
        mappable, axes = where, getattr(where, "axes", None)
    else:
        mappable, axes = cm.ScalarMappable(norm=norm, cmap=cmap), where if where is not None else plt.gca()
    boundaries = norm.boundaries
    pieces = np.concatenate([np.linspace(boundaries[k], boundaries[k + 1], _PIECES_OF_A_BLOCK + 1)[:-1]
                             for k in range(len(boundaries) - 1)] + [boundaries[-1:]])
    # The first and last intervals are the extensions: the end blocks, past the boundaries.
    beyond = (boundaries[-1] - boundaries[0]) / _PIECES_OF_A_BLOCK or 1.0
    pieces = np.concatenate([[boundaries[0] - beyond], pieces, [boundaries[-1] + beyond]])
    options.setdefault("boundaries", pieces)
    options.setdefault("values", (pieces[:-1] + pieces[1:]) / 2.0)
    options.setdefault("ticks", boundaries)
    options.setdefault("format", ticker.FuncFormatter(lambda value, _: shown_number(value)))
    options.setdefault("extend", "both")
    options.setdefault("spacing", "uniform")
    figure = (axes.figure if axes is not None else plt.gcf())
    bar = figure.colorbar(mappable, ax=axes, **options)
    bar.solids.set_edgecolor("face")  # no seams between the pieces
    return bar


def _masked_nan(value: Any) -> Any:
    """The values with NaN masked, matplotlib's "bad": painted the scale's undefined color. The
    infinities stay, in the first and the last color, as the scale paints them."""
    data = np.ma.asarray(value, dtype=np.float64)
    return np.ma.masked_where(np.isnan(data.filled(np.nan)), data)


class _Placed(np.ma.MaskedArray):
    """Where the norm places values on the colormap, with the values themselves beside."""

    zorscale_values: Optional[np.ndarray] = None

    def __array_finalize__(self, obj: Any) -> None:
        super().__array_finalize__(obj)
        self.zorscale_values = getattr(obj, "zorscale_values", None)


@functools.cache
def _norm_class() -> Any:
    from matplotlib import colors as mcolors

    class ScaleNorm(mcolors.BoundaryNorm):
        """The scale's boundaries as a BoundaryNorm, each block an equal share of 0 to 1."""

        def __init__(self, scale: Any, boundaries: np.ndarray) -> None:
            super().__init__(boundaries, ncolors=max(len(boundaries) - 1, 1) * _PIECES_OF_A_BLOCK, extend="neither")
            self.vmin, self.vmax = float(boundaries[0]), float(boundaries[-1])
            self._places = np.linspace(0.0, 1.0, len(boundaries))

        def __call__(self, value: Any, clip: Optional[bool] = None) -> Any:
            data = _masked_nan(value)
            filled = data.filled(0.0)
            # Below the first boundary under 0 (the "under" color), above the last over 1.
            placed = np.interp(filled, self.boundaries, self._places, left=-0.5, right=1.5)
            result = np.ma.array(placed, mask=np.ma.getmaskarray(data)).view(_Placed)
            result.zorscale_values = np.where(np.ma.getmaskarray(data), np.nan, filled)
            return result

        def inverse(self, value: Any) -> Any:
            return np.interp(np.asarray(value, dtype=np.float64), self._places, self.boundaries)

    return ScaleNorm


@functools.cache
def _colormap_class() -> Any:
    from matplotlib import colors as mcolors

    class ScaleColormap(mcolors.Colormap):
        """The scale's colors: of the values the norm hands on, else of the values where the norm
        places them; a flat block one color, a blended block its blend, as the scale paints."""

        def __init__(self, scale: Any, norm: Any) -> None:
            super().__init__("zorscale", N=norm.Ncmap)
            self._scale, self._norm = scale, norm
            undefined = scale.paint(np.nan) / 255.0
            self.set_bad(undefined)
            self.set_under(scale.paint(-np.inf) / 255.0)
            self.set_over(scale.paint(np.inf) / 255.0)

        def _init(self) -> None:
            places = (np.arange(self.N) + 0.5) / self.N
            self._lut = np.vstack([self._scale.paint(self._norm.inverse(places)) / 255.0,
                                   [self._rgba_under, self._rgba_over, self._rgba_bad]])
            self._isinit = True

        def __call__(self, X: Any, alpha: Any = None, bytes: bool = False) -> Any:
            values = getattr(X, "zorscale_values", None)
            if values is None:
                data = np.ma.asarray(X)
                if np.issubdtype(data.dtype, np.integer):
                    return super().__call__(X, alpha, bytes)  # an index into the table
                values = np.where(np.ma.getmaskarray(data), np.nan, self._norm.inverse(data.filled(0.0)))
                values = np.where(data.filled(0.5) < 0.0, -np.inf, np.where(data.filled(0.5) > 1.0, np.inf, values))
            painted = self._scale.paint(np.asarray(values, dtype=np.float64))
            rgba = painted if bytes else painted / 255.0
            if alpha is not None:
                alpha = np.clip(alpha, 0.0, 1.0)
                rgba = rgba.copy()
                rgba[..., 3] = (alpha * 255).astype(np.uint8) if bytes else alpha
            if np.ndim(X) == 0:
                return tuple(rgba.tolist())
            return rgba

        def reversed(self, name: Optional[str] = None) -> Any:
            raise ValueError("a scale's colormap is the scale's: reverse the scale's preset instead")

    return ScaleColormap
