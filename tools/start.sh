#!/usr/bin/env bash
# Installs what is missing, builds, and opens the viewer on the sample report.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
dir=$(tools/build.sh release | tail -n 1)
"$dir/relantomador" "$@"
