#!/usr/bin/env bash
# Runs one Windows test program under wine, in a prefix of its own made in a
# temporary directory; the prefix's server is ended and the prefix removed
# when the program ends, however it ends.
# Usage: run_under_wine.sh PROGRAM.exe [ARGUMENT...]
set -u
if ! command -v wine > /dev/null; then
  echo "SKIP: wine is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
run=$(mktemp -d "${TMPDIR:-/tmp}/fennimar-wine-XXXXXX")
mkdir "$run/tmp"
# wine makes its server's directory under TMPDIR: inside the run's own, it
# goes with the prefix.
export WINEPREFIX="$run/prefix" TMPDIR="$run/tmp" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  timeout 30 wineserver -k 2> /dev/null
  rm -rf "$run"
}
trap cleanup EXIT
timeout 300 wineboot -i > /dev/null 2>&1
timeout 900 wine "$@"
