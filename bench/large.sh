#!/usr/bin/env bash
# Split and join of a page-cached source of 4 GiB (a large set) against the
# floor that any splitter pays, `dd if=SOURCE of=COPY bs=1M` (every byte read
# and written once through the page cache), and against coreutils `split -b`
# and `cat` of the parts, in the same run. The five commands take turns, each
# on a synced, emptied directory; each keeps its best of ROUNDS. Goal: split
# and join each at most 1.0 x the dd copy, peak memory below 16 MiB.
# The results go to OUT_BASE, by default a tmpfs (/dev/shm) when it has room:
# there every command pays for the copy alone, while on a disk the kernel's
# write-back of gigabytes (shared with whatever else runs) decides the times.
# A split and a join with the SHA-256 manifest (digests read back on a second
# thread) are timed beside the plain ones; goal: the split with it at most
# 1.1 x the split without. PARTS, when given, cuts the source into that many
# parts instead of parts of 1000 MiB; the case of the manifest's goal is
#   bench/large.sh BUILD_DIR 1024 3 /var/tmp 100
# Usage: bench/large.sh [BUILD_DIR] [SIZE_MIB] [ROUNDS] [OUT_BASE] [PARTS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-4096}
rounds=${3:-3}
. "$root/bench/bench_lib.sh"
bench_build "$build" fennimar-cli
cli="$build/src/cli/fennimar-cli"
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-bench-XXXXXX")
out_base=${4:-}
if [ -z "$out_base" ]; then
  out_base=$work
  if [ "$(df -Pk /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')" -gt $(((mib + 512) * 1024)) ]; then
    out_base=/dev/shm
  fi
fi
out=$(mktemp -d "$out_base/fennimar-bench-out-XXXXXX")
trap 'rm -rf "$work" "$out"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
chunk=$((1000 * 1048576))               # parts of 1000 MiB, header included
if [ -n "${5:-}" ]; then
  chunk=$(((mib * 1048576 + $5 - 1) / $5 + 86))
fi
head -c $((mib * 1048576)) /dev/urandom > "$work/SOURCE.BIN"
mkdir -p "$work/parts"
"$cli" split "$work/SOURCE.BIN" -d "$work/parts" -s "$chunk" --no-fill >/dev/null
# The same parts without their manifest, for the plain join.
mkdir -p "$work/plain"
ln "$work"/parts/SOURCE.Z* "$work/plain/"
parts=("$work"/plain/SOURCE.Z*)
cat "$work/SOURCE.BIN" "${parts[@]}" > /dev/null   # into the page cache

# One command each; all write into $out.
run_dd() { dd if="$work/SOURCE.BIN" of="$out/COPY" bs=1M status=none; }
run_split() { "$cli" split "$work/SOURCE.BIN" -d "$out" -s "$chunk" --no-fill --no-manifest; }
run_split_manifest() { "$cli" split "$work/SOURCE.BIN" -d "$out" -s "$chunk" --no-fill; }
run_coreutils_split() { split -b $((chunk - 86)) "$work/SOURCE.BIN" "$out/part."; }
run_join() { "$cli" join "${parts[0]}" -d "$out" -y; }
run_join_manifest() { "$cli" join "$work/parts/SOURCE.Z00" -d "$out" -y; }
run_cat() { cat "${parts[@]}" > "$out/ALL"; }
names=(dd split split_manifest coreutils_split join join_manifest cat)
# An untimed write of the source's size takes on whatever the file system
# still owes for the files the last command left.
settle() { dd if="$work/SOURCE.BIN" of="$out/SETTLE" bs=1M status=none; }
declare -A best_of
alternate "$rounds" "$out" "${names[@]}"
rm -rf "${out:?}"/*
rss_split=$(/usr/bin/time -f %M "$cli" split "$work/SOURCE.BIN" -d "$out" -s "$chunk" \
            --no-fill 2>&1 >/dev/null | tail -n 1)
(cd "$out" && sha256sum --quiet -c SOURCE.sha256 2>/dev/null | grep -v SOURCE.BIN) &&
  { echo "the manifest does not check"; exit 1; }
rm -rf "${out:?}"/*
rss_join=$(/usr/bin/time -f %M "$cli" join "${parts[0]}" -d "$out" -y 2>&1 >/dev/null |
           tail -n 1)
cmp -s "$work/SOURCE.BIN" "$out/SOURCE.BIN" || { echo "joined file differs"; exit 1; }

ratio() { echo "${best_of[$1]} / ${best_of[$2]}" | bc -l; }
printf '%d MiB, %d parts, results in %s, best of %d alternating rounds (a shared, noisy machine)\n' \
  "$mib" "${#parts[@]}" "$out_base" "$rounds"
for name in "${names[@]}"; do
  printf '  %-16s %7.3f s  (%4.0f MiB/s)\n' "$name" "${best_of[$name]}" \
    "$(echo "$mib / ${best_of[$name]}" | bc -l)"
done
printf '  split / dd copy   : %.2f (goal: at most 1.0)\n' "$(ratio split dd)"
printf '  join / dd copy    : %.2f (goal: at most 1.0)\n' "$(ratio join dd)"
printf '  split with manifest / split : %.2f (goal: at most 1.1)\n' "$(ratio split_manifest split)"
printf '  join with manifest / join   : %.2f\n' "$(ratio join_manifest join)"
printf '  split / split -b  : %.2f\n' "$(ratio split coreutils_split)"
printf '  join / cat        : %.2f\n' "$(ratio join cat)"
printf '  peak memory (max RSS): split %d KiB, join %d KiB (goal: below 16384)\n' \
  "$rss_split" "$rss_join"
