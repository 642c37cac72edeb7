"""Where the package finds the color scale module and zorhost: inside itself (a wheel), beside the
build tree it was built in, or where the system installed them."""

import os
import shutil
from pathlib import Path
from types import ModuleType
from typing import Optional

_HERE = Path(__file__).resolve().parent


def _built() -> Optional[ModuleType]:
    try:
        from . import _locations  # type: ignore[attr-defined]  # written by a build tree's CMake
    except ImportError:
        return None
    return _locations


def use_module() -> None:
    """Tells the extension the build tree's module, unless ZOR_MODULE_PATH names one; a wheel's and
    the system's are found by the host library's own search, beside itself."""
    built = _built()
    if built is not None and "ZOR_MODULE_PATH" not in os.environ and Path(built.module).is_file():
        from ._zorscale import _use_module

        _use_module(built.module)


def zorhost() -> str:
    """The zorhost program: the wheel's, the build tree's, else the one on PATH."""
    inside = _HERE / "bin" / "zorhost"
    if inside.is_file():
        return str(inside)
    built = _built()
    if built is not None and Path(built.zorhost).is_file():
        return str(built.zorhost)
    found = shutil.which("zorhost")
    if found is None:
        raise FileNotFoundError("zorhost is not beside zorscale nor on PATH")
    return found
