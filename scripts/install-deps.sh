#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when some are missing;
# arguments name further packages.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config zip
  qt6-base-dev libhidapi-dev libcjson-dev libzip-dev libudev-dev
  libgtest-dev libbenchmark-dev fonts-wqy-microhei xvfb xauth
  umockdev libumockdev-dev)
packages+=("$@")  # extras a make target needs, such as the fuzz build's clang
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run:  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
