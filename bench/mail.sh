#!/usr/bin/env bash
# Mailing speed: base64 encoding of a page-cached 256 MiB file by the mail
# encoder against coreutils `base64 -w 76` of the same file in the same run
# (best of three each), the in-memory codec throughput, and the mailing of a
# 10 MiB part to a local SMTP server (aiosmtpd under /usr/bin/python3).
# Usage: bench/mail.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-256}
. "$root/bench/bench_lib.sh"
bench_build "$build" mail_base64_file mail_part_bench mail_codec_bench
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-mail-bench-XXXXXX")
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

head -c $((mib * 1048576)) /dev/urandom > "$work/SOURCE.BIN"
cat "$work/SOURCE.BIN" > /dev/null   # into the page cache

ours() { "$build/bench/mail_base64_file" "$work/SOURCE.BIN" "$work/o/out"; }
theirs() { base64 -w 76 "$work/SOURCE.BIN" > "$work/o/out"; }
mkdir -p "$work/o"
tf=$(best "$work/o" -- ours)
tc=$(best "$work/o" -- theirs)
printf 'base64 of %d MiB (76-character lines)\n' "$mib"
printf '  fennimar EncodeBase64 : %.3f s  (%.0f MiB/s)\n' "$tf" "$(echo "$mib / $tf" | bc -l)"
printf '  coreutils base64 -w 76: %.3f s  (%.0f MiB/s)\n' "$tc" "$(echo "$mib / $tc" | bc -l)"
printf '  speed-up over coreutils: %.2fx\n' "$(echo "$tc / $tf" | bc -l)"
rm -f "$work/SOURCE.BIN" "$work/o/out"

"$build/bench/mail_codec_bench" --benchmark_min_time=0.5 2>/dev/null | grep -E '^BM_'

# One 10 MiB part mailed to a local server, end to end: connect, compose,
# transmit, the server's reply to the end of data, QUIT.
mkdir -p "$work/server"
/usr/bin/python3 "$root/tests/smtp_test_server.py" "$work/server" normal > "$work/port" &
server=$!
for _ in $(seq 50); do grep -q PORT "$work/port" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/PORT/ {print $2}' "$work/port")
printf '[FENNIMAR]\nSMTPHost=127.0.0.1:%s\nMyAddress=Bench <bench@localhost>\n' "$port" \
  > "$work/FENNIMAR.INI"
head -c $((10 * 1048576)) /dev/urandom > "$work/BENCH.Z00"
times=()
for _ in 1 2 3; do
  times+=("$("$build/bench/mail_part_bench" "$work/FENNIMAR.INI" "$work/BENCH.Z00")")
done
bestmail=$(printf '%s\n' "${times[@]}" | sort -n | head -n 1)
printf 'mailing a 10 MiB part to a local aiosmtpd server: best %.3f s of %s (%.1f MiB/s)\n' \
  "$bestmail" "${times[*]}" "$(echo "10 / $bestmail" | bc -l)"
printf '  messages stored by the server: %d\n' "$(ls "$work/server"/*.eml | wc -l)"
