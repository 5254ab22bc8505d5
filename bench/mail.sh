#!/usr/bin/env bash
# Mailing speed: base64 encoding of a page-cached 256 MiB file by the mail
# encoder against coreutils `base64 -w 76` of the same file in the same run
# (best of three each), the in-memory codec throughput, and the mailing of a
# 20 MiB file in 2 MiB parts to Postfix's smtp-sink against Python's smtplib.
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

# Mailing a 20 MiB file in 2 MiB parts to Postfix's smtp-sink on loopback,
# one conversation per part: fennimar's mailer (composing and sending)
# against Python's smtplib sending the same messages, composed beforehand by
# Python's email package. Alternating, best of three each.
port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sink_user=()
[ "$(id -u)" -eq 0 ] && sink_user=(-u nobody)
/usr/sbin/smtp-sink "${sink_user[@]}" 127.0.0.1:"$port" 64 &
server=$!
for _ in $(seq 50); do
  /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port)).close()" \
    2>/dev/null && break
  sleep 0.1
done
printf '[FENNIMAR]\nSMTPHost=127.0.0.1:%s\nMyAddress=Bench <bench@localhost>\n' "$port" \
  > "$work/FENNIMAR.INI"
mkdir -p "$work/parts"
for k in 0 1 2 3 4 5 6 7 8 9; do head -c $((2 * 1048576)) /dev/urandom > "$work/parts/BENCH.Z0$k"; done
cat > "$work/smtplib_send.py" <<'PY'
import email.message, smtplib, sys, time
port, paths = int(sys.argv[1]), sys.argv[2:]
messages = []
for k, path in enumerate(paths):
    m = email.message.EmailMessage()
    m["From"], m["To"] = "Bench <bench@localhost>", "bench@localhost"
    m["Subject"] = "Part %2d of total %2d parts of file:BENCH.BIN " % (k + 1, len(paths))
    with open(path, "rb") as part:
        m.add_attachment(part.read(), maintype="application", subtype="octet-stream",
                         filename=path.rsplit("/", 1)[-1])
    messages.append(m.as_bytes().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))
start = time.monotonic()
for data in messages:
    with smtplib.SMTP("127.0.0.1", port) as server:
        server.sendmail("bench@localhost", ["bench@localhost"], data)
print("%.3f" % (time.monotonic() - start))
PY
ours=() theirs=()
for _ in 1 2 3; do
  ours+=("$("$build/bench/mail_part_bench" "$work/FENNIMAR.INI" "$work"/parts/BENCH.Z0*)")
  theirs+=("$(/usr/bin/python3 "$work/smtplib_send.py" "$port" "$work"/parts/BENCH.Z0*)")
done
bo=$(printf '%s\n' "${ours[@]}" | sort -n | head -n 1)
bt=$(printf '%s\n' "${theirs[@]}" | sort -n | head -n 1)
printf 'mailing 20 MiB in ten 2 MiB parts to smtp-sink (one conversation per part)\n'
printf '  fennimar mailer (composes too): best %.3f s of %s  (%.0f MiB/s of attachment data)\n' \
  "$bo" "${ours[*]}" "$(echo "20 / $bo" | bc -l)"
printf '  python smtplib (pre-composed): best %.3f s of %s  (%.0f MiB/s)\n' \
  "$bt" "${theirs[*]}" "$(echo "20 / $bt" | bc -l)"
printf '  fennimar / smtplib speed: %.2fx\n' "$(echo "$bt / $bo" | bc -l)"
