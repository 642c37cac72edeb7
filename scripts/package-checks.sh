#!/usr/bin/env bash
# Builds as a packager would, without the presets: plain Release builds with GCC and with Clang
# that must give no warning, the tests of the GCC one, an installation into a prefix that a host
# program of its own (examples/host-program) is built against and run, and the Debian package,
# inspected. With --install the package is also installed, used and removed (CI does so).
#   scripts/package-checks.sh [--install]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh build package

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A plain build; fails on any warning. Options after the compiler go to CMake.
plain_build() {
  local folder=$1 compiler=$2
  shift 2
  cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$compiler" \
    "$@" >"$work/configure.log"
  cmake --build "$folder" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
  if grep -q "warning:" "$work/build.log"; then
    grep -A5 "warning:" "$work/build.log" | head -n 40
    echo "package-checks: the plain $compiler build gives warnings"
    exit 1
  fi
  echo "plain Release build with $compiler: no warning"
}

echo "== plain builds"
# As a Debian package is built: under /usr, so that the libraries go to the multiarch folder.
plain_build build/plain-gcc g++ -DCMAKE_INSTALL_PREFIX=/usr
# Clang builds what is installed; the tests are built and run with GCC, and under Clang by the
# fuzz preset's targets, which keeps CI within its time.
plain_build build/plain-clang clang++ -DZOR_BUILD_TESTS=OFF
ctest --test-dir build/plain-gcc --output-on-failure -j 2 >"$work/test.log" ||
  { tail -n 40 "$work/test.log"; exit 1; }
tail -n 1 "$work/test.log"

echo "== installation and a host program built against it"
cmake --install build/plain-gcc --prefix "$work/prefix" >/dev/null
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
test -x "$work/prefix/bin/zorhost"
test -f "$work/prefix/lib/$multiarch/zorhost/modules/libZORCarColorScale.so"
test -f "$work/prefix/share/doc/ZORCarColorScale/LICENSE"
test -f "$work/prefix/share/doc/ZORCarColorScale/examples/parts/bracket.step"
test ! -e "$work/prefix/include/zor/testing"
# Nothing of the source tree is reachable: the prefix is all the example sees.
cp -r examples/host-program "$work/example"
cmake -S "$work/example" -B "$work/example/build" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
  >/dev/null
cmake --build "$work/example/build" >/dev/null
"$work/example/build/color-values" >"$work/colors.txt"
diff -u examples/host-program/expected-output.txt "$work/colors.txt"
echo "the example host program prints the expected colors"
(cd "$work" && prefix/bin/zorhost render --out installed >/dev/null)
echo "the installed zorhost renders"
# The Python package, from the prefix alone: it finds the module beside the host library.
(cd "$work" && env -u ZOR_MODULE_PATH PYTHONPATH="$work/prefix/lib/python3/dist-packages" /usr/bin/python3 -c \
  "import zorscale; s = zorscale.Scale(9); s.fit([0.0, 1.0, 2.0]); assert s.paint(1.0).shape == (4,)")
echo "the installed zorscale paints"

echo "== the Debian packages"
# The maintainer is whoever builds the package, as Debian's own tools take it.
export DEBFULLNAME="${DEBFULLNAME:-zorhost package checks}"
export DEBEMAIL="${DEBEMAIL:-$(id -un)@$(hostname -f 2>/dev/null || hostname)}"
cmake -DZOR_PACKAGE_MAINTAINER="$DEBFULLNAME <$DEBEMAIL>" build/plain-gcc >/dev/null
(cd build/plain-gcc && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { tail -n 20 "$work/cpack.log"; exit 1; }
runtime=$(ls "$work"/package/zorhost_*.deb)
development=$(ls "$work"/package/zorhost-dev_*.deb)
dpkg-deb -f "$runtime"
files() { dpkg-deb -c "$1" | awk '{print $6}'; }
files "$runtime" | grep -E "zorhost$|libZORHost.so|modules/|LICENSE$|bracket.step$|zorscale/"
files "$development" | grep -E "ZORHostConfig.cmake$|include/zor/ZORRuntime.h$|libZORHost.so$"
fail() { echo "package-checks: $1"; exit 1; }
files "$runtime" | grep -q "^./usr/lib/$multiarch/libZORHost.so.1" || fail "the library is not in /usr/lib/$multiarch"
! files "$runtime" | grep -qE "/include/|/cmake/" || fail "headers or CMake files in the runtime package"
dpkg-deb -f "$runtime" Depends | grep -q zlib1g || fail "no zlib dependency (the PNG writer's)"
dpkg-deb -f "$development" Depends | grep -q "zorhost (= " || fail "zorhost-dev does not depend on zorhost"
dpkg-deb -f "$runtime" Maintainer | grep -q "<$DEBEMAIL>" || fail "the maintainer is not $DEBEMAIL"
if [ "${1:-}" = "--install" ]; then
  dpkg -i "$runtime" "$development" >/dev/null
  (cd "$work" && zorhost render --out from-package >/dev/null && test -s from-package.png)
  (cd "$work" && env -u ZOR_MODULE_PATH -u PYTHONPATH /usr/bin/python3 -c "import zorscale; zorscale.Scale(5).paint([1.0])")
  test -f /usr/include/zor/ZORRuntime.h
  dpkg -r zorhost-dev zorhost >/dev/null
  echo "the packages install, render and are removed"
fi
