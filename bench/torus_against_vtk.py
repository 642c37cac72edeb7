#!/usr/bin/python3
"""The 2-million-triangle torus as a binary PLY: zorhost's whole render of its mean curvature
against VTK reading the file and estimating its Gaussian and mean curvatures, in one run.

Run with Debian's Python, which has VTK (python3-vtk9):
    /usr/bin/python3 bench/torus_against_vtk.py build/release/bin/zorhost [--threads N] [--size WxH]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np


def write_torus_ply(path: str, rings: int = 1000, sides: int = 1000) -> None:
    """A torus of radii 5 and 1.5, its quads split in two triangles that share their vertices."""
    u = 2.0 * np.pi * np.arange(rings) / rings
    v = 2.0 * np.pi * np.arange(sides) / sides
    uu, vv = np.meshgrid(u, v, indexing="ij")
    r = 5.0 + 1.5 * np.cos(vv)
    points = np.stack([r * np.cos(uu), r * np.sin(uu), 1.5 * np.sin(vv)], axis=-1).astype("<f4").reshape(-1, 3)
    i, j = np.meshgrid(np.arange(rings), np.arange(sides), indexing="ij")
    corner = lambda a, b: ((i + a) % rings) * sides + (j + b) % sides
    first = np.stack([corner(0, 0), corner(1, 0), corner(1, 1)], axis=-1).reshape(-1, 3)
    second = np.stack([corner(0, 0), corner(1, 1), corner(0, 1)], axis=-1).reshape(-1, 3)
    triangles = np.stack([first, second], axis=1).reshape(-1, 3).astype("<i4")
    faces = np.empty(len(triangles), dtype=[("count", "u1"), ("corners", "<i4", 3)])
    faces["count"] = 3
    faces["corners"] = triangles
    header = (
        "ply\nformat binary_little_endian 1.0\n"
        f"element vertex {len(points)}\nproperty float x\nproperty float y\nproperty float z\n"
        f"element face {len(triangles)}\nproperty list uchar int vertex_indices\nend_header\n"
    )
    with open(path, "wb") as out:
        out.write(header.encode("ascii"))
        out.write(points.tobytes())
        out.write(faces.tobytes())


def best_of(runs: int, action) -> float:
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        action()
        best = min(best, time.perf_counter() - start)
    return best


def vtk_read_and_curvatures(path: str) -> None:
    import vtk

    reader = vtk.vtkPLYReader()
    reader.SetFileName(path)
    reader.Update()
    for kind in ("SetCurvatureTypeToGaussian", "SetCurvatureTypeToMean"):
        curvatures = vtk.vtkCurvatures()
        curvatures.SetInputConnection(reader.GetOutputPort())
        getattr(curvatures, kind)()
        curvatures.Update()


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("zorhost")
    parser.add_argument("--threads", default=None)
    parser.add_argument("--size", default="1024x768")
    parser.add_argument("--runs", type=int, default=3)
    arguments = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        ply = os.path.join(folder, "torus.ply")
        write_torus_ply(ply)
        picture = os.path.join(folder, "torus")
        command = [arguments.zorhost, "render", ply, "--analysis", "mean", "--size", arguments.size, "--out", picture]
        if arguments.threads:
            command += ["--threads", arguments.threads]
        render = lambda: subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        # Each side is run once before it is timed, so that both find the file in the page cache.
        render()
        vtk_read_and_curvatures(ply)
        vtk_seconds = best_of(arguments.runs, lambda: vtk_read_and_curvatures(ply))
        zorhost_seconds = best_of(arguments.runs, render)
    print(f"VTK read + Gaussian + mean: {vtk_seconds:.3f} s")
    print(f"zorhost render (mean curvature, {arguments.size}): {zorhost_seconds:.3f} s "
          f"= {zorhost_seconds / vtk_seconds:.2f} x VTK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
