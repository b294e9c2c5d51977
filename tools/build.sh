#!/usr/bin/env bash
# Configures and builds one tree. Usage: tools/build.sh [release|sanitize|package|fuzz] [TARGET...]
# (no target: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-release}
shift || true
case "$kind" in
  release)  dir=build;          flags=() ;;
  sanitize) dir=build-sanitize; flags=(-DRL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DRL_BUILD_BENCH=OFF) ;;
  # The Debian package: a packager's Release build for the prefix /usr.
  package)  dir=build-package;  flags=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DRL_BUILD_TESTS=OFF -DRL_BUILD_BENCH=OFF) ;;
  fuzz)     dir=build-fuzz;     flags=(-DRL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  *) echo "usage: $0 [release|sanitize|package|fuzz]" >&2; exit 1 ;;
esac
# ccache is shared between checkouts (CI builds a fresh clone each time): paths
# under the checkout are hashed relative to it, and the build folder is not hashed.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# Progress and errors go to standard error; standard output names the build folder.
cmake -S . -B "$dir" -G Ninja -DRL_WERROR=ON "${flags[@]}" >&2
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$dir" -j"$(nproc)" "${targets[@]}" >&2
echo "$dir"
