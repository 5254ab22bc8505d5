# The checks that the terminal-level test scripts share; sourced by them.
# check DESCRIPTION EXPECTED ACTUAL counts a pass or prints the failure
# (and then runs check_failed DESCRIPTION, if the script defined it);
# finish NAME prints the tally and gives the script's exit status;
# damage FILE OFFSET turns every bit of one byte, so the part surely changes.
failures=0
passed=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    failures=$((failures + 1))
    if declare -F check_failed > /dev/null; then check_failed "$1"; fi
  else
    passed=$((passed + 1))
  fi
}
finish() {
  echo "$1: $passed checks passed, $failures failed"
  [ "$failures" -eq 0 ]
}
damage() {
  local byte
  byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "\\$(printf %03o $((byte ^ 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2> /dev/null
}
