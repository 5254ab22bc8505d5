#!/usr/bin/env bash
# Installs what is missing, builds Fennimar and starts it. Without arguments
# it starts the desktop program (it needs a display; on a machine without one
# use the terminal front end: scripts/run.sh split FILE [options]). With
# arguments it runs fennimar-cli with them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNIMAR_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"
if [ $# -gt 0 ]; then
  exec build-release/src/cli/fennimar-cli "$@"
fi
if [ -x build-release/src/app/fennimar ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build-release/src/app/fennimar
fi
echo "No display: the desktop program needs one. The terminal front end:" >&2
exec build-release/src/cli/fennimar-cli --help
