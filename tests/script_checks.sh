# The checks that the terminal-level test scripts share; sourced by them.
# check DESCRIPTION EXPECTED ACTUAL counts a pass or prints the failure;
# finish NAME prints the tally and gives the script's exit status.
failures=0
passed=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  else
    passed=$((passed + 1))
  fi
}
finish() {
  echo "$1: $passed checks passed, $failures failed"
  [ "$failures" -eq 0 ]
}
