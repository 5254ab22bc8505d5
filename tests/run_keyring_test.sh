#!/bin/sh
# Runs a test program inside a private D-Bus session with a throw-away,
# unlocked keyring (gnome-keyring's Secret Service), so that it never
# touches the user's own keyring and works without a desktop.
# Usage: run_keyring_test.sh PROGRAM [ARGUMENTS...]
set -eu
home=$(mktemp -d "${TMPDIR:-/tmp}/fennimar-keyring-XXXXXX")
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
dbus-run-session -- sh -c '
  printf "test-password" | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  "$@"' sh "$@"
