"""What a user's typed code does with zorscale, checked by mypy against the package's stubs."""

import numpy as np
import numpy.typing as npt

import zorscale


def painted(path: str, reference: str) -> npt.NDArray[np.uint8]:
    part: zorscale.Part = zorscale.Part.read(path, time_limit=60.0)
    values = part.picture("deviation", reference=reference, size=(400, 300), view="top")
    scale = zorscale.Scale(9)
    scale.impose_tolerance(0.1, range=(-0.5, 0.5))
    statistics = part.statistics("deviation", reference=reference, tolerance=(-0.1, 0.1), pass_share=95.0)
    verdict: str = statistics["tolerance"]["verdict"]
    mesh = part.analyse("mean", deflection=0.1)
    corners: npt.NDArray[np.int32] = mesh.triangles
    print(verdict, corners.shape, scale.block_count, zorscale.presets()[0][0])
    return scale.paint(values)
