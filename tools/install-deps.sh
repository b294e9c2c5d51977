#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, if any is missing.
# Usage: tools/install-deps.sh [--program]   (--program: only what building and
# running the viewer needs, not the tests' servers and readers)
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang
  qt6-base-dev qt6-translations-l10n libjpeg-dev libcups2-dev libfontconfig-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth fontconfig
  cups cups-client
)
# The real parts the tests use: readers of the exported files, servers.
test_packages=(
  qpdf poppler-utils
  python3-xlrd python3-olefile libreoffice-calc libreoffice-writer chromium
  python3 python3-aiosmtpd openssl
)
# PDF export: libdeflate for compressed streams, HarfBuzz's subsetter for embedded fonts.
packages+=(libdeflate-dev libharfbuzz-dev)

# The data exports (.xlsx) are written through libxlsxwriter.
packages+=(libxlsxwriter-dev)
# Their tests read the .xlsx back with openpyxl.
test_packages+=(python3-openpyxl)

# The Debian package's check (tools/test_package.sh): its makers and validators.
test_packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db)
if [ "${1:-}" != --program ]; then
  packages+=("${test_packages[@]}")
fi
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
