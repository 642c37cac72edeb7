#!/usr/bin/env bash
# Installs the Debian packages that a stage of the build needs, when they are missing:
#   scripts/setup-deps.sh [build|valgrind|fuzz|bench|package|docs|browser|node|coverage]...
#   (default: build)
# build: configure, build and test (every preset but fuzz); valgrind: the load cycles under
# valgrind; fuzz: the libFuzzer targets (clang); bench: the benchmarks; package: the plain builds
# with both compilers and the Debian package; docs: the pictures of docs/ (SVG to PNG); browser:
# chromium for the tests of zorhost serve; node: Node.js and npm, when the machine has none
# (scripts/setup-browser.sh uses both, then adds the npm packages); coverage: gcovr, for the line
# coverage of the sanitizer build.
set -uo pipefail

packages=(cmake ninja-build g++ binutils libgtest-dev libpng-dev time
          libocct-data-exchange-dev libocct-modeling-algorithms-dev libocct-modeling-data-dev
          libocct-foundation-dev libtbb-dev nlohmann-json3-dev libtinygltf-dev
          libcpp-httplib-dev pkg-config libfreetype-dev fonts-dejavu-core libssl-dev
          pybind11-dev python3-dev python3-numpy python3-matplotlib python3-pytest python3-vtk9
          python3-skbuild python3-venv python3-distributed mypy)
for stage in "${@:-build}"; do
  case "$stage" in
    build) ;;
    valgrind) packages+=(valgrind) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    bench) packages+=(libbenchmark-dev) ;;
    package) packages+=(clang dpkg-dev file) ;;
    docs) packages+=(librsvg2-bin) ;;
    browser) packages+=(chromium) ;;
    node) packages+=(nodejs npm) ;;
    coverage) packages+=(gcovr) ;;
    *) echo "setup-deps: unknown stage '$stage' (build, valgrind, fuzz, bench, package, docs, browser, node or coverage)" >&2
       exit 2 ;;
  esac
done

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  echo "setup-deps: this is not a Debian-like system (no dpkg-query or apt-get); install these" \
       "packages or their equivalents yourself: ${packages[*]}" >&2
  exit 0
fi
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
((${#missing[@]} == 0)) && exit 0

echo "setup-deps: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "setup-deps: not root and no sudo: install ${missing[*]} as root" >&2
    exit 1
  fi
  sudo=(sudo)
fi
if ! "${sudo[@]}" apt-get update -qq ||
   ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
       "${missing[@]}"; then
  echo "setup-deps: apt-get could not install ${missing[*]}" >&2
  exit 1
fi
