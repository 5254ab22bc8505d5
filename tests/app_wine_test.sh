#!/usr/bin/env bash
# fennimar.exe, the Windows desktop program, under wine on a private X
# server, driven only by key presses as a person would drive it: a file
# given on the command line, a split through the split dialog (the set is
# the Linux program's set, byte for byte), a merge through the merge dialog,
# Stop during a long split, and the defaults dialog writing the settings
# file. What counts is what lands on disk; a failed check saves a picture of
# the screen into app_wine_test-screens/ of the directory the test runs in.
# Usage: app_wine_test.sh FENNIMAR_CLI FENNIMAR_EXE
set -u
cli="$1"
exe="$2"
here=$(cd "$(dirname "$0")" && pwd)
screens="$PWD/app_wine_test-screens"
rm -rf "$screens"
# The long split's source and its parts need room under /var/tmp.
work=$(mktemp -d /var/tmp/fennimar-app-wine.XXXXXX) || exit 1
if [ "$(df -Pk "$work" | awk 'NR == 2 { print $4 }')" -lt $((4 * 1024 * 1024)) ]; then
  echo "SKIP: less than 4 GiB free under /var/tmp"
  rm -rf "$work"
  exit 77
fi
export XDG_CONFIG_HOME="$work/cfg"
wine_display=1
source "$here/wine_session.sh"
source "$here/script_checks.sh"
check_failed() {
  mkdir -p "$screens"
  local picture
  picture="$screens/$(printf '%02d' "$failures")-${1//[^A-Za-z0-9]/_}.png"
  import -window root "$picture" 2> /dev/null && echo "      screen: $picture"
}
# need DESCRIPTION VALUE: a step the rest depends on; without VALUE the
# script ends here, with the screen saved.
need() {
  [ -n "$2" ] && return
  check "$1" "found" "nothing"
  finish "fennimar.exe under wine"
  exit 1
}
cd "$work"
mkdir data parts merged
check "imported DLLs" "ADVAPI32.dll COMCTL32.dll CRYPT32.dll GDI32.dll KERNEL32.dll OLEACC.dll \
OLEAUT32.dll SHELL32.dll SHLWAPI.dll USER32.dll UxTheme.dll VERSION.dll WINSPOOL.DRV WS2_32.dll \
comdlg32.dll msvcrt.dll ole32.dll " "$(system_dlls "$exe")"
data=$(windows_path "$work/data")

# The settings of a user who splits into parts of 100 kB in parts\ and
# merges into merged\; the settings file is the program's, under the
# prefix's %APPDATA%.
settings=$(winepath -u "$(timeout 60 wine cmd /c echo %APPDATA% | tr -d '\r')")/Fennimar
mkdir -p "$settings"
directories=("WorkDir=$(windows_path "$work/parts")" "MergeDir=$(windows_path "$work/merged")")
printf '%s\r\n' "[FENNIMAR]" "ChType=DO 100" "${directories[@]}" "Format=FIXED" \
  > "$settings/FENNIMAR.INI"

# 1. A file named on the command line is taken as a dropped one: the main
# window opens, and the split dialog over it.
head -c 350000 /dev/urandom > data/REPORT.DOC
touch -d @1500000000 data/REPORT.DOC
timeout 600 wine "$exe" "$data\\REPORT.DOC" > app.out 2>&1 &
app=$!
main=$(find_window "Fennimar 3.13" 60)
need "main window titled Fennimar 3.13" "$main"

# 2. The split dialog proposes what the settings say; Return is OK.
split=$(find_window "Split file")
need "split dialog" "$split"
press "$split" Return
window_gone "Split file"
check "split dialog closed by OK" 0 $?
for _ in $(seq 100); do
  [ -e parts/REPORT.Z03 ] && ! ls parts | grep -q partial && break
  sleep 0.1
done
window_gone "Processing Please Wait"
"$cli" split data/REPORT.DOC -s 100k -d linux -y < /dev/null > /dev/null 2>&1
check "the split of the file named on the command line is the Linux set" \
  "$(cd linux && md5sum -- * | tr '\n' ' ')" "$(cd parts && md5sum -- * | tr '\n' ' ')"
check "part sizes" "102400 102400 102400 43144" "$(stat -c %s parts/*.Z* | tr '\n' ' ' | sed 's/ $//')"
"$cli" join parts/REPORT.Z02 -d joined -y < /dev/null > /dev/null 2>&1
check "the Windows set joined by fennimar-cli" 0 $?
cmp -s data/REPORT.DOC joined/REPORT.DOC
check "joined by fennimar-cli: identical" 0 $?

# 3. F2 selects part 00 in the file dialog, F4 merges it through the merge
# dialog into another directory.
press "$main" F2
chooser=$(find_window "Select a file")
need "file dialog" "$chooser"
type_text "$(windows_path "$work/parts/REPORT.Z00")"
press "$chooser" Return
window_gone "Select a file"
check "file dialog closed" 0 $?
press "$main" F4
merge=$(find_window "Merge file")
need "merge dialog" "$merge"
press "$merge" Return
for _ in $(seq 100); do
  [ -e merged/REPORT.DOC ] && ! ls merged | grep -q partial && break
  sleep 0.1
done
window_gone "Processing Please Wait"
cmp -s data/REPORT.DOC merged/REPORT.DOC
check "merged: identical" 0 $?
check "merged: modification time" 1500000000 "$(stat -c %Y merged/REPORT.DOC 2> /dev/null)"

# 4. Stop during a long split: the progress window's Stop asks, Yes ends
# the split at once; the part being written goes, the earlier ones are
# whole and the set is known to be incomplete.
rm parts/*
head -c 1500M /dev/urandom > data/LARGE.BIN
press "$main" F2
chooser=$(find_window "Select a file")
need "file dialog for the long split" "$chooser"
type_text "$data\\LARGE.BIN"
press "$chooser" Return
window_gone "Select a file"
press "$main" F3
split=$(find_window "Split file")
need "split dialog for the long split" "$split"
# The size field has the focus: parts of 30000 kB.
press "$split" Home shift+End
type_text 30000
press "$split" Return
progress=$(find_window "Processing Please Wait")
need "progress window" "$progress"
press "$progress" Return
question=$(find_window "Fennimar" 10)
need "Stop question" "$question"
xdotool windowactivate --sync "$question" 2> /dev/null
started=$(date +%s%N)
xdotool key Return
window_gone "Processing Please Wait" 30
ended=$(date +%s%N)
stop_ms=$(((ended - started) / 1000000))
check "split ended within a second of Stop" 1 $((stop_ms <= 1000))
for _ in $(seq 50); do
  ls parts | grep -q partial || break
  sleep 0.1
done
check "the part being written is gone" "" "$(ls parts | grep -v '^LARGE\.Z[0-9][0-9]$')"
parts=$(ls parts | wc -l)
echo "Stop: the split ended $stop_ms ms after Yes, with $parts parts written"
check "the split was stopped before its end" 1 $((parts > 0 && parts < 50))
check "every part left is whole" "" "$(find parts -type f ! -size 30720000c)"
"$cli" join parts/LARGE.Z00 -d stopped -y < /dev/null > /dev/null 2> join.err
check "the stopped set does not join" 1 $?
check "the join asks for the first part not written" 1 \
  "$(grep -c "LARGE.Z$(printf '%02d' "$parts")\$" join.err)"
check "no checksum error in the parts left" 0 "$(grep -c -i checksum join.err)"
rm -rf parts/* stopped data/LARGE.BIN

# 5. F7: the defaults dialog; 2DD (Alt+2) and OK write the settings file.
press "$main" F7
defaults=$(find_window "Fennimar Defaults")
need "defaults dialog" "$defaults"
press "$defaults" alt+2 Return
window_gone "Fennimar Defaults"
check "defaults dialog closed by OK" 0 $?
# The chosen size replaces the other one; every other key stays, and the
# keys the dialog adds come after them, each line ended as Windows ends it.
check "settings file" "$(printf '%s\r\n' "[FENNIMAR]" "ChType=2DD" "${directories[@]}" \
  "Format=FIXED" "MINIMIZED=NO" "ON_CHKSUM_ERR=ABORT" "Manifest=YES" "Recovery=0" "SMTPHost=" \
  "MyAddress=")" \
  "$(cat "$settings/FENNIMAR.INI")"

# Ctrl+Q ends the program.
press "$main" ctrl+q
for _ in $(seq 200); do
  kill -0 "$app" 2> /dev/null || break
  sleep 0.1
done
status=running
kill -0 "$app" 2> /dev/null || { wait "$app"; status=$?; }
check "Ctrl+Q ends the program" 0 "$status"
finish "fennimar.exe under wine"
