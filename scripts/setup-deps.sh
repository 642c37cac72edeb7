#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and CI need, when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ binutils libgtest-dev libbenchmark-dev libpng-dev valgrind time
          clang libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if ((${#missing[@]} > 0)); then
  echo "installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
