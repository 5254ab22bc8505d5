#!/usr/bin/env bash
# Starts the Windows desktop program, fennimar.exe, under wine on a private
# X server with a window manager, drives it with key presses (F1 to F7 and
# the keys of its dialogs) and saves each of its windows into
# docs/screenshots/windows/: the main window, the split, merge and defaults
# dialogs, the list of missing parts, the progress window and the Stop
# question, the About box, the manual, the prompt for a removable disk, and
# the main window and split dialog at 150% (LogPixels 144) as NAME@1.5x.png.
#
# Needs: wine, Xvfb, openbox, xdotool, ImageMagick's import, and 4 GiB free
# under /var/tmp (the split and the merge take a few seconds on a 1.5 GB
# file, so that the progress window can be caught).
# Usage: scripts/screenshots_windows.sh [BUILD_DIR]   (default: build)
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
program=$build/windows/src/app/fennimar.exe
out=$root/docs/screenshots/windows
[ -f "$program" ] || { echo "build the Windows program first: $program" >&2; exit 1; }
work=$(mktemp -d /var/tmp/fennimar-shots.XXXXXX) || exit 1
wine_display=1
source "$root/tests/wine_session.sh"
die() {
  echo "no window \"$1\"" >&2
  import -window root "$work/../fennimar-shots-failure.png" 2> /dev/null &&
    echo "the screen: /var/tmp/fennimar-shots-failure.png" >&2
  exit 1
}
# Saves a window, with its frame, as docs/screenshots/windows/NAME.png.
shot() {
  import -frame -window "$1" "$out/$2.png"
  echo "saved $out/$2.png"
}
# The program as installed: the manual in manual\ beside it, the joiners too.
mkdir -p "$out" "$work/app" "$work/data" "$work/parts" "$work/moved" "$work/stick"
cp "$program" "$build/windows/src/cli/joinex.exe" "$work/app/"
cp -r "$root/docs/manual" "$work/app/manual"
exe=$work/app/fennimar.exe
# The settings of a user who splits into parts of 30000 kB beside the source.
settings=$(winepath -u "$(timeout 60 wine cmd /c echo %APPDATA% | tr -d '\r')")/Fennimar
mkdir -p "$settings"
user_settings() {
  printf '[FENNIMAR]\r\nChType=DO 30000\r\nWorkDir=SAME\r\nMergeDir=SAME\r\nFormat=FIXED\r\n' \
    > "$settings/FENNIMAR.INI"
}
user_settings
data=$(windows_path "$work/data")
head -c 1500M /dev/urandom > "$work/data/REPORT.DOC"
head -c 350000 /dev/urandom > "$work/data/SMALL.DOC"

# start [FILE]: the program, on its own or with a file; sets main.
start() {
  wine "$exe" "$@" > /dev/null 2>&1 &
  main=$(find_window "Fennimar 3.13" 60) || die "Fennimar 3.13"
  press "$main"
}
# quit: Ctrl+Q, and the program's end.
quit() {
  press "$main" ctrl+q
  window_gone "Fennimar 3.13" || die "(the main window stays)"
  timeout 30 wineserver -w
}
# choose PATH: F2, and PATH typed into the file dialog.
choose() {
  press "$main" F2
  local chooser
  chooser=$(find_window "Select a file") || die "Select a file"
  type_text "$1"
  press "$chooser" Return
  window_gone "Select a file" || die "(the file dialog stays)"
  sleep 0.5
}

start
shot "$main" main-window
choose "$data\\REPORT.DOC"
shot "$main" main-window-with-file

# F3: the split dialog as the settings propose it; Return is OK.
press "$main" F3
split=$(find_window "Split file") || die "Split file"
shot "$split" split-dialog
press "$split" Return
progress=$(find_window "Processing Please Wait") || die "Processing Please Wait"
# Held still for the picture: the split would race past it.
pid=$(xdotool getwindowpid "$main")
kill -STOP "$pid"
shot "$progress" progress-dialog
# Stop asks first; the split waits for the answer. Escape answers No. The
# key waits in the queue until the program goes on.
press "$progress" Return
kill -CONT "$pid"
question=$(find_window "Fennimar") || die "Fennimar"
shot "$question" stop-question
press "$question" Escape
window_gone "Processing Please Wait" 300 || die "(the progress window stays)"
sleep 0.5
shot "$main" main-window-after-split

# F7: the defaults dialog.
press "$main" F7
defaults=$(find_window "Fennimar Defaults") || die "Fennimar Defaults"
shot "$defaults" defaults-dialog
press "$defaults" Escape

# F2 on a part, F4: the merge dialog; with the parts after 00 elsewhere, the
# prompt that asks for part 01 and is told where the rest lie.
mv "$work/data/"REPORT.Z* "$work/moved/"
mv "$work/moved/REPORT.Z00" "$work/parts/"
choose "$(windows_path "$work/parts/REPORT.Z00")"
press "$main" F4
merge=$(find_window "Merge file") || die "Merge file"
shot "$merge" merge-dialog
press "$merge" Return
# Every missing part is named before the first is asked for.
missing=$(find_window "Merge") || die "Merge"
shot "$missing" missing-parts
press "$missing" Return
prompt=$(find_window "Merge file ") || die "Merge file "
shot "$prompt" disk-prompt
press "$prompt"
type_text "$(windows_path "$work/moved")"
press "$prompt" Return
window_gone "Processing Please Wait" 300 || die "(the progress window stays)"
sleep 0.5
shot "$main" main-window-after-merge
rm -rf "$work/moved" "$work/parts"

# F5: the About box.
press "$main" F5
about=$(find_window "About Fennimar") || die "About Fennimar"
shot "$about" about-dialog
press "$about" Return

# F1: the manual at its contents.
press "$main" F1
help=$(find_window "Fennimar Help") || die "Fennimar Help"
shot "$help" help
press "$help" alt+F4
quit

# A split onto a removable drive: E: with wine's drive type "floppy" (read
# when its server starts) asks for a disk before every part. A file named
# at the start opens the split dialog at once; it proposes E:\ from the
# settings.
ln -s "$work/stick" "$WINEPREFIX/dosdevices/e:"
timeout 60 wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f > /dev/null 2>&1
timeout 30 wineserver -k 2> /dev/null
printf '[FENNIMAR]\r\nChType=2HD\r\nWorkDir=E:\\\r\nMergeDir=SAME\r\nFormat=FIXED\r\n' \
  > "$settings/FENNIMAR.INI"
start "$data\\SMALL.DOC"
split=$(find_window "Split file") || die "Split file"
press "$split" Return
floppy=$(find_window "Split file to floppy disk") || die "Split file to floppy disk"
shot "$floppy" floppy-prompt
press "$floppy" Escape
quit

# At 150%: the fonts grow, and every size given in pixels must grow with them.
timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f \
  > /dev/null 2>&1
timeout 30 wineserver -k 2> /dev/null
user_settings
start "$data\\SMALL.DOC"
split=$(find_window "Split file") || die "Split file"
shot "$split" split-dialog@1.5x
press "$split" Escape
sleep 0.5
shot "$main" main-window-with-file@1.5x
quit
