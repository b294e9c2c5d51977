#!/usr/bin/env bash
# Screenshots of the preview control on a sample 132-column report, taken on a
# virtual X display. Usage: tools/screenshot_preview.sh [OUTDIR] [BUILDDIR]
# (defaults /tmp/relantomador-shots and build). Needs xvfb-run (packages xvfb, xauth).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/relantomador-shots}
build=${2:-build}
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run not found: install the packages xvfb and xauth" >&2
  exit 1
fi
cmake --build "$build" --target preview_demo >/dev/null
mkdir -p "$out"
# A display larger than the 1280 x 900 window, at 96 dpi like the pages.
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x1000x24 -dpi 96" "$build/tools/preview_demo" "$out"
ls -l "$out"/preview-*.png
