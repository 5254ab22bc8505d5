#!/usr/bin/env bash
# fennimar.exe under wine, read as a screen reader reads it: through MSAA,
# from another process (msaa_tree.exe in the same prefix). The information
# lines carry their texts, the toolbar's picture buttons are push buttons
# named by their prompts (place holders hidden), the status bar carries its
# text, and the progress window its status and percentage.
# Usage: app_wine_accessibility_test.sh FENNIMAR_CLI FENNIMAR_EXE MSAA_TREE_EXE TITLE
# (FENNIMAR_CLI, the Linux one, makes the part set; TITLE is the main
# window's.)
set -u
cli="$1"
exe="$2"
tree_exe="$3"
title="$4"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /var/tmp/fennimar-a11y-wine.XXXXXX) || exit 1
export XDG_CONFIG_HOME="$work/cfg"
wine_display=1
source "$here/wine_session.sh"
source "$here/script_checks.sh"
cd "$work"

program=
stop_program() {
  if [ -n "$program" ]; then
    kill "$program" 2> /dev/null
    wait "$program" 2> /dev/null
    program=
  fi
}
after_wine() { stop_program; }
start_program() {
  wine "$exe" "$@" > /dev/null 2> program.err &
  program=$!
}
# tree TITLE: the window's elements, one "ROLE|STATES|NAME" a line (the
# window waited for 20 s at most).
tree() {
  timeout 60 wine "$tree_exe" "$1" 20 2> tree.err | tr -d '\r' | cut -f 2- | tr '\t' '|'
}
# tree_with TITLE LINE: the tree once it holds LINE (the program fills its
# windows after they appear), or as it is after some 20 s or once the
# program has ended.
tree_with() {
  local shown=
  for _ in $(seq 40); do
    kill -0 "$program" 2> /dev/null || break
    shown=$(tree "$1")
    grep -qxF -- "$2" <<< "$shown" && break
    sleep 0.5
  done
  printf '%s\n' "$shown"
}
# role ROLE: the names of the elements of that role, in order, joined by "|".
role() { sed -n "s/^$1|[^|]*|//p" | paste -sd '|'; }
# toolbar: its buttons and separators, in order, with their states.
toolbar() { grep -E '^(push button|separator)\|' | paste -sd ' '; }

# Without a file: the lines as they start, place holders where Split and
# Merge stand once a file is chosen.
start_program
shown=$(tree_with "$title" "status bar|-|")
check "a tree is read" "" "$(cat tree.err)"
[ -s tree.err ] && tail -n 5 program.err
check "information lines at the start" " Working directory:| File size:| Target File:| " \
  "$(role "static text" <<< "$shown")"
check "toolbar without a file" \
  "push button|-|Select File For Split/Merge separator|-| push button|invisible| push button|invisible| separator|-| push button|-|Change default setings separator|-| push button|-|Display Help push button|-|About Dialog" \
  "$(toolbar <<< "$shown")"
check "the toolbar is read as one" "tool bar|-|" "$(grep '^tool bar|' <<< "$shown")"
check "no window read by its internal name" "" "$(grep '|panel$' <<< "$shown")"
stop_program

# A file given on the command line is taken as dropped: its lines, and the
# toolbar with Split and Merge.
head -c 5000 /dev/zero > REPORT.TXT
start_program "$(windows_path "$work/REPORT.TXT")"
shown=$(tree_with "$title" "static text|-| File size: 5000")
check "information lines with a file" \
  " Working directory:| File size: 5000| Selected File: $(windows_path "$work/REPORT.TXT")| " \
  "$(role "static text" <<< "$shown")"
check "toolbar with a file" \
  "push button|-|Select File For Split/Merge separator|-| push button|-|Split selected file push button|-|Merge selected file separator|-| push button|-|Change default setings separator|-| push button|-|Display Help push button|-|About Dialog" \
  "$(toolbar <<< "$shown")"
# The lock key's pane fills the status bar's text once the window has
# looked at the keys again, which it does when idle after an event.
window=$(find_window "$title" 20)
press "$window"
xdotool key Caps_Lock  # as it is: --clearmodifiers would turn the lock back
for step in $(seq 20); do
  xdotool mousemove --window "$window" $((40 + step % 2 * 20)) 60
  shown=$(tree "$title")
  grep -qxF "status bar|-|CAP" <<< "$shown" && break
done
check "status bar" "CAP" "$(role "status bar" <<< "$shown")"
xdotool key Caps_Lock
stop_program

# A merge that waits for its missing last part: the progress window shows
# how far it came while the disk prompt asks.
mkdir parts
head -c 300000 /dev/urandom > parts/BIG.DAT
"$cli" split parts/BIG.DAT -s 100k -d parts -y < /dev/null > /dev/null 2>&1
rm parts/BIG.DAT parts/BIG.Z02
start_program "$(windows_path "$work/parts/BIG.Z00")"
press "$(find_window "Merge file" 20)" Return
tree "Merge file " > /dev/null  # the disk prompt, once it is there
shown=$(tree "Processing Please Wait")
labels=$(role "static text" <<< "$shown")
check "progress status" " Merging 3 files to create: $(windows_path "$work/parts/BIG.DAT")" \
  "${labels%%|*}"
percent=${labels#*|}
check "percentage shown" "yes" "$([[ "$percent" =~ ^[0-9]+$ ]] && echo yes || echo "no: $percent")"
stop_program

finish app_wine_accessibility
