# The wine session of a test script that runs Windows programs, sourced once
# `work` names the script's temporary directory: a prefix of the run's own
# inside it (made here; that first start is the slow one), wine's server
# directory beside it, no display. With `wine_display` set before it is
# sourced, the programs get a private X server instead (Xvfb, 1280x800, with
# openbox as its window manager, so that focus and activation behave as on
# a desktop); DISPLAY then names it. When the script ends the prefix's
# server is ended, `after_wine` runs if the script defined it, the X server
# and its window manager are ended and the directory goes. Without wine (or,
# for a display, without Xvfb, openbox or xdotool) the script is skipped.
for tool in wine ${wine_display:+Xvfb openbox xdotool xprop}; do
  if ! command -v "$tool" > /dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    rm -rf "$work"
    exit 77
  fi
done
mkdir -p "$work/tmp"
# Without winemenubuilder, shortcuts and file types made in the prefix stay
# there instead of turning into menu entries and MIME types in $HOME.
export WINEPREFIX="$work/prefix" TMPDIR="$work/tmp" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
x_pids=()
end_wine_session() {
  timeout 30 wineserver -k 2> /dev/null
  if declare -F after_wine > /dev/null; then after_wine; fi
  # The window manager first: it is a client of the server.
  local pid i
  for ((i = ${#x_pids[@]} - 1; i >= 0; i--)); do
    pid=${x_pids[i]}
    kill "$pid" 2> /dev/null && wait "$pid" 2> /dev/null
  done
  rm -rf "$work"
}
trap end_wine_session EXIT
if [ -n "${wine_display:-}" ]; then
  # Xvfb picks a free display number itself and tells it on a descriptor.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" > /dev/null 2>&1 &
  x_pids+=($!)
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  if ! [ -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start"
    exit 1
  fi
  export DISPLAY=":$(head -n 1 "$work/display")"
  openbox --sm-disable > /dev/null 2>&1 &
  x_pids+=($!)
  for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q window && break
    sleep 0.1
  done
fi
timeout 300 wineboot -i > /dev/null 2>&1

# system_dlls EXE: the DLLs a Windows program imports, sorted, on one line.
system_dlls() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | LC_ALL=C sort | tr '\n' ' '
}
# windows_path PATH: a Linux path as wine's programs see it (drive Z:).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# With a display, windows are found by their titles and driven by real key
# presses (XTEST), as a person at the keyboard would.
# find_window TITLE [SECONDS]: the id of the visible window of exactly this
# title, once there is one (at most SECONDS, default 30); fails without one.
find_window() {
  local id
  id=$(timeout "${2:-30}" xdotool search --sync --onlyvisible --name "^$1\$" 2> /dev/null | tail -n 1)
  [ -n "$id" ] || return 1
  sleep 0.3  # let it paint
  echo "$id"
}
# window_gone TITLE [SECONDS]: waits until no visible window has this title
# (at most SECONDS, default 30); fails if one still has.
window_gone() {
  local tries=$((${2:-30} * 20))
  while xdotool search --onlyvisible --name "^$1\$" > /dev/null 2>&1; do
    ((--tries > 0)) || return 1
    sleep 0.05
  done
}
# press WINDOW [KEY...]: activates the window and presses the keys in turn.
press() {
  timeout 5 xdotool windowactivate --sync "$1" 2> /dev/null ||
    timeout 5 xdotool windowfocus --sync "$1" 2> /dev/null
  [ $# -gt 1 ] && xdotool key --clearmodifiers --delay 50 "${@:2}"
  sleep 0.3
}
# type_text TEXT: types into the window that has the focus.
type_text() {
  xdotool type --delay 15 -- "$1"
  sleep 0.2
}
