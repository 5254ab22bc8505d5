#!/usr/bin/env bash
# Installs what building and running need, builds Fennimar and starts it.
# Without arguments it starts the desktop program, which needs a display;
# with arguments it runs the terminal front end, fennimar-cli, with them
# (scripts/run.sh split FILE [options]). A build that scripts/test.sh made
# in build/ is used as it is; otherwise a release build goes into
# build-release/. The build's output is shown only when it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  {
    echo "No display: the desktop program needs one."
    echo "Usage: scripts/run.sh                    start the desktop program"
    echo "       scripts/run.sh COMMAND [ARGS...]  run fennimar-cli, for example:"
    echo "       scripts/run.sh split FILE -s 1400k -d DIR"
    echo "       scripts/run.sh --help"
  } >&2
  exit 2
fi
scripts/install-deps.sh --run
build=build-release
if [ -f build/CMakeCache.txt ]; then
  build=build
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNIMAR_BUILD_TESTS=OFF >/dev/null
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake --build "$build" -j"$(nproc)" > "$log" 2>&1; then
  cat "$log" >&2
  echo "scripts/run.sh: the build failed" >&2
  exit 1
fi
rm -f "$log"
if [ $# -gt 0 ]; then
  exec "$build/src/cli/fennimar-cli" "$@"
fi
exec "$build/src/app/fennimar"
