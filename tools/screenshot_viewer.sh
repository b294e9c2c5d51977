#!/usr/bin/env bash
# Screenshots of the viewer window on each sample report in examples/, taken on
# a virtual X display: the program draws its own window into a PNG file
# (RELANTOMADOR_SCREENSHOT) once it is laid out, then closes.
# Usage: tools/screenshot_viewer.sh [OUTDIR] [BUILDDIR]
# (defaults /tmp/relantomador-shots and build). Needs xvfb-run (packages xvfb, xauth).
# The column code comes from the file name (invoice-80.txt: 80); 132 and 255
# columns are shown in landscape, as the report programs ask for them.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/relantomador-shots}
build=${2:-build}
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run not found: install the packages xvfb and xauth" >&2
  exit 1
fi
cmake --build "$build" --target relantomador >/dev/null
program=$(realpath "$build/src/relantomador")
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for sample in examples/*.txt; do
  name=$(basename "$sample" .txt)
  columns=${name##*-}
  case "$columns" in
    132|255) orientation=paisagem ;;
    *) orientation=retrato ;;
  esac
  # The viewer deletes its report file when it closes: give it a copy.
  cp "$sample" "$work/$name.txt"
  # At 96 dpi, like the pages, on a screen of a common size.
  (cd "$work" && RELANTOMADOR_SCREENSHOT="$out/viewer-$name.png" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1400x1000x24 -dpi 96" "$program" \
    "$work/$name.txt" "$columns" "$orientation")
done
ls -l "$out"/viewer-*.png
# The find bar on a match, and a block selection of the balance column, on
# the ledger.
cp examples/ledger-132.txt "$work/ledger-132.txt"
(cd "$work" && RELANTOMADOR_SCREENSHOT="$out/viewer-find.png" RELANTOMADOR_SCREENSHOT_FIND="aplicação" \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x1000x24 -dpi 96" "$program" \
  "$work/ledger-132.txt" 132 paisagem)
cp examples/ledger-132.txt "$work/ledger-132.txt"
(cd "$work" && RELANTOMADOR_SCREENSHOT="$out/viewer-selection.png" RELANTOMADOR_SCREENSHOT_SELECTION="7-16:119-130" \
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x1000x24 -dpi 96" "$program" \
  "$work/ledger-132.txt" 132 paisagem)
ls -l "$out"/viewer-find.png "$out"/viewer-selection.png
