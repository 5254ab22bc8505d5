#!/bin/sh
# Runs one GUI test program on a private X server (xvfb-run), with a window
# manager when openbox is installed, so that minimizing and focus behave as
# on a desktop. Usage: run_gui_test.sh PROGRAM [ARGS...]
set -u
if [ -z "${FENNIMAR_IN_XVFB:-}" ]; then
  FENNIMAR_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
wm=""
if command -v openbox >/dev/null 2>&1; then
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  # Wait (at most 5 s) until the window manager has announced itself.
  i=0
  while [ $i -lt 50 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; do
    sleep 0.1
    i=$((i + 1))
  done
  export FENNIMAR_TEST_WM=1
fi
"$@"
status=$?
[ -n "$wm" ] && kill "$wm" 2>/dev/null
exit $status
