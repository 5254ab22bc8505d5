#!/usr/bin/env bash
# Split throughput and peak memory: fennimar-cli split of a page-cached 1 GiB
# file into 100 parts against coreutils `split -b` of the same file into
# parts of the same size, in the same run; then the checksum's throughput.
# Usage: bench/split.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-1024}
. "$root/bench/bench_lib.sh"
bench_build "$build" fennimar-cli checksum_bench
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
head -c $((mib * 1048576)) /dev/urandom > "$work/SOURCE.BIN"
size=$((mib * 1048576))
data=$(( (size + 99) / 100 ))          # data bytes per part: 100 parts
chunk=$(( data + 86 ))
cat "$work/SOURCE.BIN" > /dev/null      # into the page cache
mkdir -p "$work/f" "$work/c"

tf=$(best "$work/f" "$work/c" -- "$build/src/cli/fennimar-cli" split "$work/SOURCE.BIN" -d "$work/f" -s "$chunk" --no-fill)
tc=$(best "$work/f" "$work/c" -- split -b "$data" "$work/SOURCE.BIN" "$work/c/part.")
rm -rf "$work/f"/*
rss=$(/usr/bin/time -f %M "$build/src/cli/fennimar-cli" split "$work/SOURCE.BIN" -d "$work/f" \
      -s "$chunk" --no-fill 2>&1 >/dev/null | tail -n 1)
parts=$(ls "$work/f" | wc -l)
printf 'split of %d MiB into %d parts\n' "$mib" "$parts"
printf '  fennimar-cli split : %.3f s  (%.0f MiB/s)\n' "$tf" "$(echo "$mib / $tf" | bc -l)"
printf '  coreutils split -b : %.3f s  (%.0f MiB/s)\n' "$tc" "$(echo "$mib / $tc" | bc -l)"
printf '  ratio fennimar/coreutils time: %.2f (below 1 is faster)\n' "$(echo "$tf / $tc" | bc -l)"
printf '  fennimar peak memory (max RSS): %d KiB\n' "$rss"
"$build/bench/checksum_bench" --benchmark_min_time=0.5 2>/dev/null | grep -E 'BM_'
