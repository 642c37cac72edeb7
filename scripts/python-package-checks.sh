#!/usr/bin/env bash
# zorscale as a Python user meets it: pip installs the project into a fresh venv of the system's
# Python (its numpy, matplotlib and Dask from Debian), and the docs' examples run there, from
# outside the sources, with nothing set in the environment.
#   scripts/python-package-checks.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh build

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The project's files as a clone holds them, so that the build's own folders stay out of the tree.
mkdir "$work/source"
git ls-files -z | xargs -0 cp --parents -t "$work/source"

/usr/bin/python3 -m venv --system-site-packages "$work/venv"
echo "== pip install --no-build-isolation . (in a fresh venv)"
"$work/venv/bin/pip" install --no-build-isolation --no-index --quiet "$work/source" >"$work/pip.log" 2>&1 ||
  { tail -n 40 "$work/pip.log"; exit 1; }
"$work/venv/bin/pip" show zorscale | grep -E "^(Name|Version|Location):"

echo "== the docs' examples, in the venv"
source=$PWD
cd "$work"
in_venv() { env -i PATH=/usr/bin:/bin HOME="$work" MPLBACKEND=Agg "$work/venv/bin/python" "$@"; }
in_venv -c "import zorscale, pathlib; where = pathlib.Path(zorscale.__file__);
assert where.is_relative_to('$work/venv'), where; print('zorscale from', where.parent)"
in_venv "$source/examples/python/paint_field.py" "$work/field.png"
in_venv "$source/examples/python/inspect_part.py" "$work/inspection"
in_venv "$source/examples/python/batch_campaign.py" "$work/campaign"
echo "python package checks passed"
