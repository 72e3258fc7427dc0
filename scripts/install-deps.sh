#!/usr/bin/env bash
# Installs the Debian packages that building and testing coretest needs, when any is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  binutils-mipsel-linux-gnu
  libelf-dev libdw-dev libfmt-dev libcli11-dev nlohmann-json3-dev
  googletest libgtest-dev libbenchmark-dev
  libunicorn-dev
  chromium
  verilator iverilog
  zlib1g-dev
  clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
