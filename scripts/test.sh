#!/usr/bin/env bash
# Installs what is missing, builds Fennimar with warnings as errors, and runs
# every test (GUI tests under their own Xvfb, mail tests against their own
# SMTP server on loopback).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DFENNIMAR_WERROR=ON "$@"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j2
