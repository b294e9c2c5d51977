#!/usr/bin/env bash
# Installs what is missing, builds, and opens the viewer on a report.
# Usage: tools/start.sh FILE [COLUMNS [ORIENTATION]] [permissao=XYZ] [options]
# (no arguments: examples/ledger-132.txt 132 paisagem).
#
# The viewer deletes its report file when it closes, as the programs that start
# it expect, so it is given a copy in a temporary folder. With options (--png,
# --export, ...) the batch mode runs instead, which never deletes its input.
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY, and QT_QPA_PLATFORM
# not set) there is no window to open: the pages are drawn into PNG files in a
# folder under /tmp, and the folder is named at the end.
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."
root=$PWD
tools/install-deps.sh --program
# Only the program: the tests and benchmarks are tools/test.sh's business.
dir=$(tools/build.sh release relantomador | tail -n 1)
program="$root/$dir/src/relantomador"

if [ $# -eq 0 ]; then
  set -- "$root/examples/ledger-132.txt" 132 paisagem
fi
# The report path as the caller meant it, from the folder the script was started in.
report=$1
shift
case "$report" in
  /*) ;;
  *) report="$here/$report" ;;
esac
if [ ! -f "$report" ]; then
  echo "no such report file: $report" >&2
  exit 2
fi

batch=no
for argument in "$@"; do
  case "$argument" in --*) batch=yes ;; esac
done
if [ "$batch" = yes ]; then
  exec "$program" "$report" "$@"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  out=$(mktemp -d /tmp/relantomador-pages-XXXXXX)
  "$program" "$report" "$@" --png "$out"
  echo "No display here, so no window: the pages of $report are in $out"
  ls "$out"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy="$work/$(basename "$report")"
cp "$report" "$copy"
"$program" "$copy" "$@"
