"""zorscale through the loaded module: painting, matplotlib, files, settings and errors."""

import os
import subprocess
import threading
import warnings

import numpy as np
import pytest

import zorscale


def fitted_scale(values, blocks=9, preset=None):
    scale = zorscale.Scale(blocks)
    if preset:
        scale.impose_preset(preset)
    scale.fit(values)
    return scale


def awkward_values(scale, rng, count):
    """Values on, beside and between the boundaries, ties, infinities and NaN."""
    boundaries = scale.boundaries if len(scale.boundaries) else np.array([0.0])
    near = np.concatenate([boundaries, np.nextafter(boundaries, -np.inf), np.nextafter(boundaries, np.inf),
                           boundaries - 1e-6, boundaries + 1e-6, boundaries - 5e-7])
    spread = rng.uniform(boundaries[0] - 1.0, boundaries[-1] + 1.0, count)
    special = np.array([np.nan, np.inf, -np.inf, 0.0, -0.0, 5e-324, -5e-324, 1e308, -1e308])
    return np.concatenate([near, spread, np.repeat(boundaries[:3], 5), special])


def test_paint_gives_what_get_color_for_value_gives():
    rng = np.random.default_rng(7)
    measured = rng.normal(0.0, 2.0, 5000)
    for scale in (fitted_scale(measured), fitted_scale(measured, 4, "draft"),
                  fitted_scale(measured, 256, "viridis")):
        values = awkward_values(scale, rng, 4000)
        colors, blocks = scale.paint(values), scale.blocks(values)
        for value, color, block in zip(values, colors, blocks):
            expected_block, expected_color = scale.color_for_value(value)
            if np.isnan(value):  # undefined, as pictures paint it
                expected_block, expected_color = 0, None
            assert block == expected_block, value
            expected = scale.undefined_color if expected_color is None else expected_color
            assert tuple(color) == expected, value
        # float32 arrays are painted as the doubles they hold; any shape keeps its shape.
        single = values[np.abs(values) < 1e38].astype(np.float32)
        assert np.array_equal(scale.paint(single), scale.paint(single.astype(np.float64)))
        grid = values[:3000].reshape(30, 10, 10)
        assert scale.paint(grid).shape == (30, 10, 10, 4)
        assert np.array_equal(scale.paint(grid).reshape(-1, 4), colors[:3000])
        assert scale.paint(1.5).shape == (4,)
        assert scale.blocks([[1.0, 2.0]]).shape == (1, 2)


def test_threads_paint_the_same_bytes():
    rng = np.random.default_rng(3)
    values = rng.normal(0.0, 1.0, 1_000_003)
    scale = fitted_scale(values, 9)
    one = scale.paint(values, threads=1)
    for threads in (2, 7, 0):
        assert np.array_equal(scale.paint(values, threads=threads), one)
        assert np.array_equal(scale.blocks(values, threads=threads), scale.blocks(values, threads=1))
    with pytest.raises(ValueError):
        scale.paint(values, threads=-1)


@pytest.mark.parametrize("blocks, preset", [(9, None), (4, "draft"), (7, "viridis"), (2, None), (300, "turbo_r")])
def test_matplotlib_draws_exactly_what_the_scale_paints(blocks, preset):
    rng = np.random.default_rng(11)
    measured = rng.normal(0.0, 3.0, 10000)
    scale = fitted_scale(measured, blocks, preset)
    values = np.concatenate([rng.uniform(-12.0, 12.0, 1_000_000), awkward_values(scale, rng, 0)])
    values = values[np.isfinite(values)]
    cmap, norm = scale.to_matplotlib()
    drawn = np.round(np.asarray(cmap(norm(values))) * 255.0).astype(np.uint8)
    painted = scale.paint(values)
    mismatches = np.count_nonzero(np.any(drawn != painted, axis=-1))
    assert mismatches == 0
    # A picture masks NaN: it gets the color the scale paints NaN.
    image = np.round(np.asarray(cmap(norm(np.ma.masked_invalid([np.nan])))) * 255.0).astype(np.uint8)
    assert np.array_equal(image.reshape(4), scale.paint(np.nan))


def test_a_scale_no_table_can_give_is_refused_for_matplotlib():
    with pytest.raises(zorscale.ScaleError, match="painted value by value"):
        zorscale.Scale(1).to_matplotlib()


def test_a_figure_drawn_with_matplotlib():
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    x, y = np.meshgrid(np.linspace(-3, 3, 120), np.linspace(-2, 2, 80))
    field = np.sin(x) * np.cos(y)
    scale = fitted_scale(field.ravel(), 9)
    cmap, norm = scale.to_matplotlib()
    figure, axes = plt.subplots()
    image = axes.imshow(field, cmap=cmap, norm=norm, interpolation="nearest")
    figure.colorbar(image, ax=axes)
    figure.canvas.draw()
    plt.close(figure)


def test_the_colorbar_reads_like_the_legend(tmp_path):
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    x, y = np.meshgrid(np.linspace(-3, 3, 120), np.linspace(-2, 2, 80))
    field = np.sin(x) * np.cos(y)
    scale = fitted_scale(field.ravel(), 9)
    cmap, norm = scale.to_matplotlib()
    assert cmap.N == 7 * 16, "a table of the inner blocks, not of every step the scale's colors take"
    figure, axes = plt.subplots(figsize=(6, 3.5))
    image = axes.imshow(field, cmap=cmap, norm=norm, interpolation="nearest")
    bar = scale.colorbar(image)
    figure.savefig(tmp_path / "colorbar.png", dpi=100)
    # Ticks at the boundaries, in zorhost's numbers.
    assert np.array_equal(bar.get_ticks(), scale.boundaries)
    labels = [label.get_text() for label in bar.ax.get_yticklabels()]
    assert labels == [zorscale._zorscale.shown_number(b) for b in scale.boundaries]
    # Each piece of the bar in the color the scale paints at its value.
    drawn = np.round(bar.solids.get_facecolor() * 255.0).astype(np.uint8)
    assert np.array_equal(drawn, scale.paint(np.asarray(bar._values)[bar._inside]))
    extensions = [np.round(np.asarray(patch.get_facecolor()) * 255.0).astype(np.uint8) for patch in bar._extend_patches]
    assert [tuple(e) for e in extensions] == [tuple(scale.paint(-np.inf)), tuple(scale.paint(np.inf))]
    # A plain colorbar of the norm ticks the boundaries too, each block an equal length.
    plain = figure.colorbar(image, ax=axes)
    assert np.array_equal(plain.get_ticks(), scale.boundaries)
    plt.close(figure)


def test_files_and_settings_give_back_the_scale(tmp_path, monkeypatch):
    monkeypatch.setenv("ZOR_SETTINGS_DIR", str(tmp_path / "settings"))
    scale = fitted_scale(np.linspace(-4.0, 6.0, 1000), 9)
    scale.classify(np.linspace(-4.0, 6.0, 1000) ** 3, "quantile")
    for extension in ("cpt", "json", "csv"):
        path = tmp_path / ("scale." + extension)
        losses = scale.write(str(path))
        assert isinstance(losses, list)
        again = zorscale.Scale.read(str(path))
        assert np.array_equal(again.boundaries, scale.boundaries), extension
        assert np.array_equal(again.colors[:, :3], scale.colors[:, :3]), extension
    scale.save("mine")
    loaded = zorscale.Scale.load("mine")
    assert np.array_equal(loaded.boundaries, scale.boundaries)
    assert np.array_equal(loaded.colors, scale.colors)
    assert loaded.colors_imposed == scale.colors_imposed
    assert loaded.boundaries_imposed == scale.boundaries_imposed
    values = np.linspace(-300.0, 300.0, 5001)
    assert np.array_equal(loaded.paint(values), scale.paint(values))


def test_errors_are_exceptions_with_zorhosts_messages(tmp_path, monkeypatch):
    monkeypatch.setenv("ZOR_SETTINGS_DIR", str(tmp_path / "settings"))
    with pytest.raises(zorscale.ScaleError, match="blocks is a whole number from 1 to 65536, not 0"):
        zorscale.Scale(0)
    scale = zorscale.Scale(5)
    with pytest.raises(zorscale.ScaleError, match="preset is default, .* not 'rainbow'"):
        scale.impose_preset("rainbow")
    with pytest.raises(zorscale.ScaleError, match="method is equal, quantile"):
        scale.classify([1.0, 2.0], "median")
    with pytest.raises(zorscale.ScaleError, match="no finite value"):
        scale.fit([np.nan, np.inf])
    with pytest.raises(zorscale.ScaleError):
        scale.impose_range(2.0, 1.0)
    with pytest.raises(zorscale.ScaleError):
        zorscale.Scale.load("nothing-saved-here")
    with pytest.raises(zorscale.ScaleError, match="format is cpt, json or csv"):
        scale.write(str(tmp_path / "s.cpt"), format="svg")
    # A damaged file: the message zorhost gives for it.
    damaged = tmp_path / "damaged.cpt"
    damaged.write_text("0 0/0/0 1 255/255/255\n1 nonsense 2 0/0/0\n")
    with pytest.raises(zorscale.ScaleError) as raised:
        zorscale.Scale.read(str(damaged))
    zorhost = subprocess.run([os.environ["ZORHOST"], "scale", "import", str(damaged), "x"],
                             capture_output=True, text=True, env=os.environ)
    assert zorhost.returncode == 2
    assert str(raised.value) in zorhost.stderr


def test_presets_and_ranges():
    names = [name for name, use in zorscale.presets()]
    assert "default" in names and "viridis" in names
    scale = zorscale.Scale(5)
    scale.impose_range(-1.0, 1.0)
    assert scale.boundaries[0] == -1.0 and scale.boundaries[-1] == 1.0
    assert [span is not None for span in scale.spans] == [True] * 5


@pytest.mark.parametrize("preset, source", [("viridis", "viridis"), ("cividis", "cividis"), ("magma", "magma"),
                                            ("turbo", "turbo"), ("RdBu", "RdBu"), ("cool-warm", "coolwarm"),
                                            ("viridis_r", "viridis_r"), ("RdBu_r", "RdBu_r")])
def test_presets_show_matplotlibs_own_colors(preset, source):
    matplotlib = pytest.importorskip("matplotlib")
    cmap = matplotlib.colormaps[source]
    # matplotlib draws a reversed map of segments (RdBu_r) anew, a unit apart at most from its
    # table reversed, which NAME_r is.
    within = 1 if preset == "RdBu_r" else 0
    for blocks in (2, 3, 4, 5, 7, 9, 11, 16, 33, 100, 255, 256):
        scale = zorscale.Scale(blocks)
        scale.impose_preset(preset)
        sampled = cmap(np.array([j / (blocks - 1) for j in range(blocks)]), bytes=True)
        assert np.abs(scale.colors.astype(int) - sampled.astype(int)).max() <= within, (preset, blocks)


def test_tolerances_as_zorhost_makes_them():
    scale = zorscale.Scale()
    scale.impose_tolerance(0.1, range=(-0.047, 0.423))
    assert list(scale.boundaries) == [-0.1, 0.1, 0.2, 0.3, 0.4]
    assert tuple(scale.colors[1]) == (0, 160, 0, 255)
    blocks = scale.blocks(np.array([0.0, 0.15, 0.5, -0.2]))
    assert list(blocks) == [2, 3, 6, 1]
    scale.impose_tolerance((-0.05, 0.2), range=(-1.35, 0.25))
    assert list(scale.boundaries) == [-1.05, -0.55, -0.05, 0.2]
    scale.impose_draft_limit(1.5)
    assert list(scale.boundaries) == [0.0, 0.5, 1.5]
    with pytest.raises(zorscale.ScaleError, match="the tolerance is LO below HI"):
        scale.impose_tolerance((0.2, 0.1), range=(0, 1))
    with pytest.raises(zorscale.ScaleError, match="pass limit"):
        scale.impose_draft_limit(90)


def test_a_paint_and_edits_on_another_thread_never_crash():
    """A paint lets go of the interpreter's lock: an edit meanwhile makes a new snapshot and never
    takes away the one painted with."""
    values = np.linspace(-5.0, 5.0, 3_000_000)
    scale = fitted_scale(values)
    stop = threading.Event()

    def edit():
        presets = ["viridis", "turbo", "default", "RdBu"]
        for round_ in range(10_000):
            if stop.is_set():
                return
            scale.impose_preset(presets[round_ % 4])
            scale.fit(values[::97])
            scale.classify(values[::101], "quantile")
            scale.impose_range(-4.0, 4.0)

    editor = threading.Thread(target=edit)
    editor.start()
    try:
        for _ in range(8):
            assert scale.paint(values).shape == (len(values), 4)
            assert scale.blocks(values).min() >= 1
    finally:
        stop.set()
        editor.join()


def test_a_fifo_is_refused_not_waited_on(tmp_path):
    fifo = tmp_path / "scale.cpt"
    os.mkfifo(fifo)
    with pytest.raises(zorscale.ScaleError, match="is a FIFO, not a regular file"):
        zorscale.Scale.read(str(fifo))


def test_nan_is_undefined_and_the_infinities_paint_the_end_blocks():
    scale = fitted_scale(np.linspace(-1.0, 1.0, 100), 5)
    special = np.array([np.nan, -np.inf, np.inf])
    assert list(scale.blocks(special)) == [0, 1, 5]
    painted = scale.paint(special)
    assert tuple(painted[0]) == scale.undefined_color
    assert np.array_equal(painted[1], scale.colors[0]) and np.array_equal(painted[2], scale.colors[-1])
    # matplotlib draws them alike, through a boundary norm and through a norm of steps.
    for blocks, preset in ((5, None), (4000, "turbo")):
        scale = fitted_scale(np.linspace(-1.0, 1.0, 100), blocks, preset)
        cmap, norm = scale.to_matplotlib()
        drawn = np.round(np.asarray(cmap(norm(special))) * 255.0).astype(np.uint8)
        assert np.array_equal(drawn, scale.paint(special)), type(norm).__name__


def test_an_unfitted_scale_warns_when_it_paints():
    with pytest.warns(UserWarning, match="never fitted"):
        zorscale.Scale(9).paint([1.0])
    fitted = fitted_scale(np.linspace(-1.0, 1.0, 100))
    ranged = zorscale.Scale(9)
    ranged.impose_range(-1.0, 1.0)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        fitted.paint([1.0])
        ranged.paint([1.0])


def test_an_array_past_the_memory_is_a_memory_error():
    huge = np.broadcast_to(np.float64(1.0), (8_000_000_000,))
    with pytest.raises(MemoryError):
        fitted_scale(np.linspace(-1.0, 1.0, 100)).paint(huge)
    with pytest.raises(TypeError, match="values must be numbers"):
        fitted_scale(np.linspace(-1.0, 1.0, 100)).paint(["one"])
