#!/usr/bin/env bash
# Builds and runs every test: the release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
export QT_QPA_PLATFORM=offscreen
status=0
for kind in release sanitize; do
  dir=$(tools/build.sh "$kind" | tail -n 1)
  echo "== tests ($kind)"
  ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" || status=1
done
# The Debian package, built from a Release build, installed and removed again (root only).
tools/test_package.sh || status=1
exit $status
