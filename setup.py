"""Builds zorscale with the project's CMake (scikit-build): the extension, the color scale module,
the host platform library and zorhost, all inside the package, each finding the others beside it."""

import re
from pathlib import Path

from skbuild import setup

VERSION = re.search(r"project\(ZORCarColorScale VERSION (\S+)", Path("CMakeLists.txt").read_text()).group(1)

setup(
    name="zorscale",
    version=VERSION,
    description="The color scales of ZORCarColorScale for numpy, matplotlib and parts, as zorhost paints them",
    long_description=Path("docs/python.md").read_text(),
    long_description_content_type="text/markdown",
    license="See LICENSE",
    python_requires=">=3.9",
    install_requires=["numpy"],
    extras_require={"matplotlib": ["matplotlib"], "dask": ["distributed"]},
    packages=["zorscale"],
    package_dir={"": "python"},
    package_data={"zorscale": ["py.typed", "*.pyi"]},
    cmake_args=[
        "-DZOR_PYTHON_WHEEL=ON",
        "-DZOR_BUILD_PYTHON=ON",
        "-DZOR_BUILD_TESTS=OFF",
        "-DCMAKE_BUILD_TYPE=Release",
    ],
    cmake_install_dir="python",
    cmake_install_target="install-wheel",
)
