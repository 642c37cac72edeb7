"""The .vtp that zorhost render --mesh-out writes, read with VTK's own reader (Debian's VTK, the
library ParaView reads with): every value (NaN where undefined), color, normal and triangle as
the .ply of the same render holds them."""

import math
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

import vtk
from vtk.util.numpy_support import vtk_to_numpy


def read_ply(path):
    data = Path(path).read_bytes()
    header_end = data.index(b"end_header\n") + len(b"end_header\n")
    header = data[:header_end].decode().split("\n")
    vertices = int(next(line for line in header if line.startswith("element vertex")).split()[2])
    faces = int(next(line for line in header if line.startswith("element face")).split()[2])
    at = header_end
    values, colors, triangles = [], [], []
    for _ in range(vertices):
        _x, _y, _z, value, r, g, b, a = struct.unpack_from("<fffdBBBB", data, at)
        values.append(value)
        colors.append((r, g, b, a))
        at += 24
    for _ in range(faces):
        count, i, j, k = struct.unpack_from("<Biii", data, at)
        assert count == 3
        triangles.append((i, j, k))
        at += 13
    return values, colors, triangles


def main(zorhost, parts):
    cases = [
        [f"{parts}/bracket.step", "--analysis", "mean"],
        # Points of the scan farther than 0.06 from the bracket have no value: NaN.
        [f"{parts}/bracket-scan.stl", "--analysis", "deviation", "--reference", f"{parts}/bracket.step",
         "--max-distance", "0.06"],
    ]
    with tempfile.TemporaryDirectory() as folder:
        for case in cases:
            for extension in ("vtp", "ply"):
                subprocess.run([zorhost, "render", *case, "--size", "160x120", "--mesh-out", f"{folder}/mesh.{extension}",
                                "--out", f"{folder}/picture"], check=True, capture_output=True)
            reader = vtk.vtkXMLPolyDataReader()
            reader.SetFileName(f"{folder}/mesh.vtp")
            reader.Update()
            polydata = reader.GetOutput()
            values, colors, triangles = read_ply(f"{folder}/mesh.ply")
            points = polydata.GetPointData()
            read_values = vtk_to_numpy(points.GetArray("value"))
            read_colors = vtk_to_numpy(points.GetArray("color"))
            assert points.GetArray("value").GetDataTypeAsString() == "double"
            assert points.GetNormals() is not None and points.GetNormals().GetNumberOfTuples() == len(values)
            assert len(read_values) == len(values), (len(read_values), len(values))
            undefined = 0
            for v, (mine, theirs) in enumerate(zip(values, read_values)):
                if math.isnan(mine):
                    undefined += 1
                    assert math.isnan(theirs), v
                else:
                    assert mine == theirs, (v, mine, theirs)
                assert tuple(int(c) for c in read_colors[v]) == colors[v], v
            if "--max-distance" in case:
                assert 0 < undefined < len(values), undefined
            cells = vtk_to_numpy(polydata.GetPolys().GetConnectivityArray()).reshape(-1, 3)
            assert [tuple(int(i) for i in t) for t in cells] == triangles
            print(f"{case[0].split('/')[-1]} {case[2]}: {len(values)} values, {undefined} undefined, "
                  f"{len(triangles)} triangles, as the .ply holds them")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
