#!/usr/bin/env bash
# Remakes the example parts (examples/parts) and the pictures of docs/ from them with zorhost,
# so that what the README shows is what zorhost paints:
#   docs/sample-part.png            the default `zorhost render`: the sample part, Gaussian, lit
#   docs/sample-mean-unshaded.png   the sample's mean curvature, each pixel the scale's color
#   docs/bracket-mean.png           a CAD part: the bracket's mean curvature, exact at each pixel
#   docs/torus-mesh-gaussian.png    a mesh: the torus as a PLY mesh, curvature estimated
#   docs/field-legend.png           the height-field sample (--sample field)
#   docs/sample-equal.png, docs/sample-quantile.png
#                                   the sample with viridis, boundaries in equal intervals and
#                                   in equal counts (--classify)
#   docs/legend-N.png               the bracket's mean curvature with its legend at 2, 9, 24 and
#                                   200 blocks: a table up to 24, a bar beyond
#   docs/scan-deviation.png         the example scan's deviation from the bracket, symmetric
#                                   about zero in cool-warm
#   docs/torus-isophote.png, docs/moulded-reflection.png
#                                   isophotes of the torus toward the viewer, reflection lines of
#                                   the moulded cup, each as zebra stripes
#   docs/bracket-thickness.png      the bracket's wall thickness by the ray, thin walls red
#   docs/bracket-edges.png          the bracket's mean curvature with its edges drawn over it,
#                                   colored by the angle between their faces
#   docs/moulded-draft.png, docs/moulded-draft-back.png
#                                   the moulded cup's draft against +z, from the front and from
#                                   behind (the undercut wall)
#   docs/presets/NAME.png           each built-in preset as a bar of 256 blocks
#   docs/python-field.png           examples/python/paint_field.py's figure: a numpy field drawn
#                                   by matplotlib in a zorscale scale
#   docs/python-inspection.png      examples/python/inspect_part.py's figure: the bracket scan
#                                   against its CAD in a tolerance scale
#   docs/editor.png, docs/editor-edited.png, docs/editor-turned.png
#                                   zorhost serve's page, as the browser tests see it: at first,
#                                   after edits, after turning the part
# Pictures with a legend are the PNGs zorhost writes; the others its bare pictures (--legend none).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup-deps.sh build
[ -f build/default/build.ninja ] || cmake --preset default
cmake --build --preset default --target zorhost ZORCarColorScale zor_make_example_parts _zorscale

zorhost="$root/build/default/bin/zorhost"
build/default/bin/zor_make_example_parts examples/parts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/parts/*.step examples/parts/*.stl "$work"/
cd "$work"

legend() {  # NAME: the picture with its legend zorhost wrote as NAME.png, as docs/NAME.png
  cp "$1.png" "$root/docs/$1.png"
}

"$zorhost" render --out sample-part
legend sample-part
"$zorhost" render --analysis mean --shading none --legend none --out sample-mean-unshaded
cp sample-mean-unshaded.png "$root/docs/"
"$zorhost" render bracket.step --analysis mean --out bracket-mean
legend bracket-mean
"$zorhost" render torus.step --mesh-out torus.ply --out torus-exact
"$zorhost" render torus.ply --out torus-mesh-gaussian
legend torus-mesh-gaussian
"$zorhost" render --sample field --out field-legend
legend field-legend
for blocks in 2 9 24 200; do
  "$zorhost" render bracket.step --analysis mean --blocks "$blocks" --size 640x480 --out "legend-$blocks"
  legend "legend-$blocks"
done
"$zorhost" render bracket-scan.stl --analysis deviation --reference bracket.step --preset cool-warm \
  --range symmetric --blocks 11 --size 800x600 --out scan-deviation
legend scan-deviation
"$zorhost" render moulded.step --analysis draft --size 800x600 --out moulded-draft
legend moulded-draft
"$zorhost" render moulded.step --analysis draft --view 120,25 --size 800x600 --out moulded-draft-back
legend moulded-draft-back
"$zorhost" render torus.step --analysis isophote --shading none --size 640x480 --out torus-isophote
legend torus-isophote
"$zorhost" render moulded.step --analysis reflection --shading none --view 30,20 --size 640x480 --out moulded-reflection
legend moulded-reflection
"$zorhost" render bracket.step --analysis thickness --size 800x600 --out bracket-thickness
legend bracket-thickness
"$zorhost" render bracket.step --analysis mean --edges continuity --size 800x600 --out bracket-edges
legend bracket-edges
for method in equal quantile; do
  "$zorhost" render --preset viridis --classify "$method" --size 640x480 --out "sample-$method"
  legend "sample-$method"
done
# A bar of each preset: a grid of 256 columns rising evenly, painted unshaded.
for column in $(seq 0 255); do printf '%s%d' "${column:+,}" "$column"; done | sed 's/^,//' > row.csv
for row in $(seq 1 20); do cat row.csv; echo; done > bar.csv
mkdir -p "$root/docs/presets"
for preset in $("$zorhost" scale presets | cut -d' ' -f1); do
  "$zorhost" render --values bar.csv --blocks 256 --preset "$preset" --legend none --out "bar-$preset" >/dev/null
  cp "bar-$preset.png" "$root/docs/presets/$preset.png"
done
# The Python example's figure.
PYTHONPATH="$root/build/default/python" ZOR_MODULE_PATH="$root/build/default/bin" \
  /usr/bin/python3 "$root/examples/python/paint_field.py" "$root/docs/python-field.png" >/dev/null
PYTHONPATH="$root/build/default/python" /usr/bin/python3 "$root/examples/python/inspect_part.py" inspection >/dev/null
cp inspection/scan-deviation.png "$root/docs/python-inspection.png"
cd "$root"
scripts/setup-browser.sh
(cd tests/browser && ZORHOST="$zorhost" ZOR_SCREENSHOTS="$root/docs" node --test editor.test.mjs >/dev/null)
ls -l "$root/docs/"*.png "$root/docs/presets/"*.png
