#!/bin/bash
# Starts the real desktop program on a private X server with a window
# manager, drives it with key presses (F2, F3, F4, F7 and the keys of its
# dialogs) and saves screenshots into docs/screenshots/.
#
# Needs: xvfb-run (xvfb, xauth), openbox, xdotool, ImageMagick's import.
# Usage: scripts/screenshots.sh [BUILD_DIR [SCALE]]   (default: build 1)
# At a SCALE of 2 (GDK_SCALE=2) only the main window and the split dialog
# are taken, as NAME@2x.png: enough to see that every picture stays sharp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scale=${2:-1}
suffix=""
[ "$scale" = 1 ] || suffix="@${scale}x"
export GDK_SCALE=$scale
program=$build/src/app/fennimar
out=$root/docs/screenshots

if [ -z "${FENNIMAR_SHOTS_IN_XVFB:-}" ]; then
  [ -x "$program" ] || { echo "build the program first: $program" >&2; exit 1; }
  FENNIMAR_SHOTS_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 $((1024 * scale))x$((768 * scale))x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/shots.XXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config
export GSETTINGS_BACKEND=memory  # no session bus here
mkdir -p "$XDG_CONFIG_HOME/fennimar" "$work/data" "$work/parts" "$work/moved" "$out"
# The settings of a user who splits into parts of 30000 kB beside the source.
printf '[FENNIMAR]\nChType=DO 30000\nWorkDir=SAME\nMergeDir=SAME\nFormat=FIXED\n' \
  >"$XDG_CONFIG_HOME/fennimar/FENNIMAR.INI"
source_file=$work/data/REPORT.DOC
# Big enough that the split runs for a few seconds, so that the progress
# window and the Stop question can be caught.
head -c 1500000000 /dev/urandom >"$source_file"

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
  sleep 0.1
done

# Waits until a window with this exact title is visible; prints its id.
wait_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1 || true)
    if [ -n "$id" ]; then
      sleep 0.5  # let it paint
      echo "$id"
      return
    fi
    sleep 0.1
  done
  echo "no window \"$1\"" >&2
  exit 1
}
# Saves a window, with its frame, as docs/screenshots/NAME.png.
shot() {
  import -frame -window "$1" "$out/$2$suffix.png"
  echo "saved $out/$2$suffix.png"
}
# Real key presses (XTEST) into the window, which gets the focus first.
key() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key --clearmodifiers "${@:2}"
  sleep 0.3
}
activate() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
  sleep 0.2
}

"$program" &
program_pid=$!
pids+=($program_pid)
main=$(wait_window "Fennimar 3.13")
activate "$main"
shot "$main" main-window

# F2: the file dialog; typing a path opens its location field.
key "$main" F2
chooser=$(xdotool search --sync --onlyvisible --name "Select a file" | tail -1)
sleep 0.5
xdotool type --delay 20 "$source_file"
sleep 0.3
xdotool key Return
sleep 1
activate "$main"
shot "$main" main-window-with-file

# F3: the split dialog as the settings propose it; Return is OK.
key "$main" F3
split=$(wait_window "Split file")
shot "$split" split-dialog
[ "$scale" = 1 ] || exit 0
key "$split" Return
progress=$(wait_window "Processing Please Wait")
# Held still for the picture: the split would race past it.
kill -STOP "$program_pid"
shot "$progress" progress-dialog
# Stop asks first; the split waits for the answer. Escape answers No. The
# key waits in the queue until the program goes on.
activate "$progress"
key "$progress" Return
kill -CONT "$program_pid"
question=$(wait_window "Fennimar")
shot "$question" stop-question
key "$question" Escape
# Let the split end.
for _ in $(seq 300); do
  xdotool search --onlyvisible --name "^Processing Please Wait\$" >/dev/null 2>&1 || break
  sleep 0.2
done
sleep 0.5
shot "$main" main-window-after-split

# A file that cannot be opened: the message names it and says why.
activate "$main"
key "$main" F2
xdotool search --sync --onlyvisible --name "Select a file" >/dev/null
sleep 0.5
xdotool type --delay 20 "$work/data/GONE.DOC"
sleep 0.3
xdotool key Return
warning=$(wait_window "$work/data/GONE.DOC")
shot "$warning" message-with-reason
key "$warning" Return

# F7: the defaults dialog.
activate "$main"
key "$main" F7
defaults=$(wait_window "Fennimar Defaults")
shot "$defaults" defaults-dialog
key "$defaults" Escape

# F2 on a part, F4: the merge dialog; with the parts after 00 elsewhere, the
# prompt that asks for part 01 and is told where the rest lie.
mv "$work/data/"REPORT.Z* "$work/moved/"
mv "$work/moved/REPORT.Z00" "$work/parts/"
activate "$main"
key "$main" F2
xdotool search --sync --onlyvisible --name "Select a file" >/dev/null
sleep 0.5
xdotool type --delay 20 "$work/parts/REPORT.Z00"
sleep 0.3
xdotool key Return
sleep 1
activate "$main"
key "$main" F4
merge=$(wait_window "Merge file")
shot "$merge" merge-dialog
key "$merge" Return
# Every missing part is named before the first is asked for.
missing=$(wait_window "Merge")
shot "$missing" missing-parts
key "$missing" Return
prompt=$(wait_window "Merge file ")
shot "$prompt" disk-prompt
activate "$prompt"
xdotool type --delay 20 "$work/moved"
key "$prompt" Return
for _ in $(seq 300); do
  xdotool search --onlyvisible --name "^Processing Please Wait\$" >/dev/null 2>&1 || break
  sleep 0.2
done
sleep 0.5
shot "$main" main-window-after-merge

# F5: the About box.
activate "$main"
key "$main" F5
about=$(wait_window "About Fennimar")
shot "$about" about-dialog
key "$about" Return

# F1: the manual at its contents.
activate "$main"
key "$main" F1
help=$(wait_window "Fennimar Help")
shot "$help" help
