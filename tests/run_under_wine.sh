#!/usr/bin/env bash
# Runs one Windows test program under wine, in a prefix of its own made in a
# temporary directory; the prefix's server is ended and the prefix removed
# when the program ends, however it ends. The program's Linux-side peers
# (SMTP servers, Python's email package) are started on its request by
# tests/run_for_wine.py, which runs beside it for as long (FENNIMAR_PEERS
# tells the program where to ask).
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
peers=
cleanup() {
  timeout 30 wineserver -k 2> /dev/null
  if [ -n "$peers" ]; then
    kill "$peers" 2> /dev/null
    wait "$peers"
  fi
  rm -rf "$run"
}
trap cleanup EXIT
if [ -x /usr/bin/python3 ]; then
  /usr/bin/python3 "$(dirname "$0")/run_for_wine.py" "$run/peers" &
  peers=$!
  for _ in $(seq 100); do
    [ -e "$run/peers" ] && break
    sleep 0.1
  done
  [ -e "$run/peers" ] && export FENNIMAR_PEERS="$(cat "$run/peers")"
fi
timeout 300 wineboot -i > /dev/null 2>&1
timeout 900 wine "$@"
