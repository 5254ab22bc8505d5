#!/usr/bin/env bash
# Receiving speed: one message of SIZE_MIB (default 500) carrying a part file
# as a base64 attachment in 76-character lines with LF line ends, as a mail
# store keeps it, taken apart by `fennimar-cli extract` and by Python's email
# package (policy default, get_payload(decode=True)) in the same run,
# alternating, best of three each: wall-clock and CPU (user + system) time,
# and the peak memory (maximum resident set). On a loaded machine the CPU time
# is the steadier figure.
# Usage: bench/extract.sh [BUILD_DIR] [SIZE_MIB] [WORK_PARENT]
# WORK_PARENT defaults to /dev/shm, so that the disk does not set the pace.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-500}
parent=${3:-/dev/shm}
. "$root/bench/bench_lib.sh"
bench_build "$build" fennimar-cli
work=$(mktemp -d "$parent/fennimar-extract-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The attachment: a part file header's first bytes (count 1, index 0), then
# random data, sized so that the whole message is about SIZE_MIB.
data=$((mib * 1048576 / 77 * 57))
{ printf '\001\000'; head -c $((data - 2)) /dev/urandom; } > "$work/BENCH.Z00"
{
  printf 'From: bench@localhost\nSubject: one part\nMIME-Version: 1.0\n'
  printf 'Content-Type: multipart/mixed; boundary="bench-boundary"\n\n'
  printf -- '--bench-boundary\nContent-Type: text/plain\n\nThe part.\n'
  printf -- '--bench-boundary\nContent-Type: application/octet-stream\n'
  printf 'Content-Transfer-Encoding: base64\n'
  printf 'Content-Disposition: attachment; filename="BENCH.Z00"\n\n'
  base64 -w 76 "$work/BENCH.Z00"
  printf -- '--bench-boundary--\n'
} > "$work/message.eml"
size=$(stat -c %s "$work/message.eml")
cat > "$work/python_extract.py" <<'PY'
import email, email.policy, os, sys
with open(sys.argv[1], "rb") as source:
    message = email.message_from_binary_file(source, policy=email.policy.default)
for part in message.walk():
    name = part.get_filename()
    if name:
        with open(os.path.join(sys.argv[2], name), "wb") as out:
            out.write(part.get_payload(decode=True))
PY
mkdir -p "$work/o"
ours=("$build/src/cli/fennimar-cli" extract "$work/message.eml" -d "$work/o")
theirs=(/usr/bin/python3 "$work/python_extract.py" "$work/message.eml" "$work/o")
# measure COMMAND...: "wall cpu peak_kib" of one run into an empty directory.
measure() {
  rm -rf "${work:?}/o"/*
  sync
  /usr/bin/time -f '%e %U %S %M' "$@" 2>&1 >/dev/null | tail -n 1 |
    awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}'
  cmp "$work/BENCH.Z00" "$work/o/BENCH.Z00"
}
# The two alternate, three runs each; the best wall and CPU times count.
best_of() { sort -n -k"$1" | head -n 1 | awk -v k="$1" '{print $k}'; }
runs_ours=() runs_theirs=()
for _ in 1 2 3; do
  runs_ours+=("$(measure "${ours[@]}")")
  runs_theirs+=("$(measure "${theirs[@]}")")
done
report() {  # report LABEL RUN...
  local label=$1
  shift
  local wall cpu peak
  wall=$(printf '%s\n' "$@" | best_of 1)
  cpu=$(printf '%s\n' "$@" | best_of 2)
  peak=$(printf '%s\n' "$@" | best_of 3)
  printf '  %-21s: %6.2f s wall (%5.0f MB/s), %6.2f s CPU (%5.0f MB/s), peak %7.1f MiB\n' \
    "$label" "$wall" "$(echo "$size / $wall / 1000000" | bc -l)" "$cpu" \
    "$(echo "$size / $cpu / 1000000" | bc -l)" "$(echo "$peak / 1024" | bc -l)"
  echo "$wall $cpu" > "$work/$label.best"
}
printf 'extracting a %.0f MiB message (base64 attachment of %.0f MiB), MB/s of message\n' \
  "$(echo "$size / 1048576" | bc -l)" "$(echo "$data / 1048576" | bc -l)"
report fennimar-cli "${runs_ours[@]}"
report python "${runs_theirs[@]}"
read -r wf cf < "$work/fennimar-cli.best"
read -r wp cp < "$work/python.best"
printf '  speed-up over Python: %.1fx wall, %.1fx CPU (load average %s)\n' \
  "$(echo "$wp / $wf" | bc -l)" "$(echo "$cp / $cf" | bc -l)" "$(cut -d' ' -f1 /proc/loadavg)"
