#!/usr/bin/env bash
# Installs what is missing, builds Fennimar with warnings as errors, and runs
# every test (GUI tests under their own Xvfb, mail tests against their own
# SMTP server on loopback).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
# Compiles are cached across builds and clones (the Linux and the Windows
# trees alike), so that a fresh clone does not compile everything again.
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD"
fi
cmake -S . -B "$build" -G Ninja -DFENNIMAR_WERROR=ON "${launcher[@]}" "$@"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j2
