"""zorscale's parts and scales as Python objects: the numbers are zorhost's, to the bit."""

import copy
import os
import pickle
import subprocess

import numpy as np
import pytest

import zorscale

PARTS = os.environ["ZOR_EXAMPLE_PARTS"]
ZORHOST = os.environ["ZORHOST"]


def zorhost_values(tmp_path, *arguments):
    """The values zorhost render --values-out writes of the same view, NaN where a cell is empty."""
    out = tmp_path / "values.csv"
    subprocess.run([ZORHOST, "render", *arguments, "--values-out", str(out), "--out", str(tmp_path / "picture")],
                   check=True, capture_output=True)
    rows = [line.split(",") for line in out.read_text().splitlines()]
    return np.array([[float(cell) if cell else np.nan for cell in row] for row in rows])


def test_pictures_are_zorhosts_values_to_the_bit(tmp_path):
    bracket = zorscale.Part.read(f"{PARTS}/bracket.step")
    for analysis, view in (("mean", "iso"), ("gaussian", "30,20"), ("draft", "front"), ("isophote", "front"),
                           ("reflection", "30,20")):
        values = bracket.picture(analysis, view=view, size=(160, 120))
        expected = zorhost_values(tmp_path, f"{PARTS}/bracket.step", "--analysis", analysis, "--view", view,
                                  "--size", "160x120")
        assert values.shape == (120, 160) and values.dtype == np.float64
        assert np.array_equal(values, expected, equal_nan=True), analysis
    scan = zorscale.Part.read(f"{PARTS}/bracket-scan.stl")
    values = scan.picture("deviation", reference=f"{PARTS}/bracket.step", size=(160, 120), zoom=2.0, pan=(0.1, 0.0))
    expected = zorhost_values(tmp_path, f"{PARTS}/bracket-scan.stl", "--analysis", "deviation", "--reference",
                              f"{PARTS}/bracket.step", "--size", "160x120", "--zoom", "2", "--pan", "0.1,0")
    assert np.array_equal(values, expected, equal_nan=True)
    # And a probe of one pixel tells the same value.
    probed = subprocess.run([ZORHOST, "render", f"{PARTS}/bracket.step", "--analysis", "mean", "--size", "160x120",
                             "--probe", "80,60", "--out", str(tmp_path / "p")], check=True, capture_output=True, text=True)
    line = next(line for line in probed.stdout.splitlines() if line.startswith("probe 80,60"))
    shown = float(line.split("value ")[1].split()[0])
    assert bracket.picture("mean", size=(160, 120))[60, 80] == pytest.approx(shown, rel=1e-6)


def test_analyses_statistics_and_deviation_at_points(tmp_path):
    bracket = zorscale.Part.read(f"{PARTS}/bracket.step")
    mesh = bracket.analyse("mean")
    assert mesh.vertices.shape[1] == 3 and mesh.triangles.shape[1] == 3 and len(mesh.values) == len(mesh.vertices)
    assert mesh.unit == "1/mm"
    # The r = 3 fillets' mean curvature is 1/6 (the mesh's nodes on them are exact).
    assert np.isclose(mesh.values, 1.0 / 6.0, atol=1e-9).any()
    scan = zorscale.Part.read(f"{PARTS}/bracket-scan.stl")
    statistics = scan.statistics("deviation", reference=f"{PARTS}/bracket.step", tolerance=0.1, pass_share=95)
    assert statistics["schema"] == "zorhost-inspection" and statistics["unit"] == "mm"
    assert statistics["tolerance"]["verdict"] == "pass"
    subprocess.run([ZORHOST, "render", f"{PARTS}/bracket-scan.stl", "--analysis", "deviation", "--reference",
                    f"{PARTS}/bracket.step", "--tolerance", "0.1", "--pass-share", "95", "--stats-out",
                    str(tmp_path / "record.json"), "--out", str(tmp_path / "r")], check=True, capture_output=True)
    import json

    record = json.loads((tmp_path / "record.json").read_text())
    for key in ("minimum", "maximum", "mean", "rms", "percentiles", "tolerance", "blocks"):
        assert statistics[key] == record[key], key
    # The scan is 0.05 larger all over: its points off the bump lie 0.05 outside the bracket.
    deviations = scan.deviation_at(np.array([[40.0, 25.0, 12.05], [40.0, 25.0, 12.5]]), f"{PARTS}/bracket.step")
    assert deviations == pytest.approx([0.05, 0.5], abs=1e-9)
    with pytest.raises(zorscale.ScaleError, match="needs reference"):
        scan.picture("deviation")
    with pytest.raises(zorscale.ScaleError, match="analysis is"):
        scan.picture("curvy")
    with pytest.raises(TimeoutError, match="time limit"):
        zorscale.Part.read(f"{PARTS}/bracket.step", time_limit=0.001)


def test_walls_as_zorhost_reads_them(tmp_path):
    bracket = zorscale.Part.read(f"{PARTS}/bracket.step")
    for method in ("ray", "sphere"):
        values = bracket.picture("thickness", thickness=method, view="top", size=(80, 60))
        expected = zorhost_values(tmp_path, f"{PARTS}/bracket.step", "--analysis", "thickness", "--thickness", method,
                                  "--view", "top", "--size", "80x60")
        assert np.array_equal(values, expected, equal_nan=True), method
    # The base plate is 12 thick: most of the area is thinner than 12.5 and the part fails.
    statistics = bracket.statistics("thickness", min_thickness=12.5)
    assert statistics["unit"] == "mm" and statistics["tolerance"]["verdict"] == "fail"
    with pytest.raises(zorscale.ScaleError, match="ray or sphere"):
        bracket.picture("thickness", thickness="cube")
    with pytest.raises(zorscale.ScaleError, match="min_thickness"):
        bracket.statistics("thickness", min_thickness=0.0)


def test_scales_are_python_objects():
    scale = zorscale.Scale(9)
    scale.impose_preset("viridis")
    scale.fit(np.linspace(-1.0, 1.0, 100))
    assert repr(scale).startswith("<zorscale.Scale: 9 blocks from -0.979798 to 0.979798, following the values")
    for other in (pickle.loads(pickle.dumps(scale)), copy.copy(scale), copy.deepcopy(scale)):
        assert other == scale
        values = np.linspace(-2.0, 2.0, 10001)
        assert np.array_equal(other.paint(values), scale.paint(values))
    changed = copy.copy(scale)
    changed.impose_range(0.0, 1.0)
    assert changed != scale
    png = scale._repr_png_()
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    # Every public member says what it does.
    for name in dir(zorscale.Scale) + dir(zorscale.Part):
        if not name.startswith("_"):
            member = getattr(zorscale.Scale, name, None) or getattr(zorscale.Part, name)
            assert member.__doc__, name
