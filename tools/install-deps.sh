#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, if any is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang
  qt6-base-dev libjpeg-dev libcups2-dev libfontconfig-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth fontconfig
  cups cups-client
  python3 python3-aiosmtpd openssl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
