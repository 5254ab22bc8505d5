#!/usr/bin/env bash
# Split throughput and peak memory: fennimar-cli split of a page-cached 1 GiB
# file into 100 parts against coreutils `split -b` of the same file into
# parts of the same size, in the same run; then the checksum's throughput.
# Usage: bench/split.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-1024}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNIMAR_BUILD_BENCH=ON \
  -DFENNIMAR_BUILD_TESTS=OFF -DFENNIMAR_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
head -c $((mib * 1048576)) /dev/urandom > "$work/SOURCE.BIN"
size=$((mib * 1048576))
data=$(( (size + 99) / 100 ))          # data bytes per part: 100 parts
chunk=$(( data + 86 ))
cat "$work/SOURCE.BIN" > /dev/null      # into the page cache
mkdir -p "$work/f" "$work/c"

best() {  # best of three wall-clock seconds of a command
  local best=
  for _ in 1 2 3; do
    rm -rf "$work/f"/* "$work/c"/*
    sync
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    local t; t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
tf=$(best "$build/src/cli/fennimar-cli" split "$work/SOURCE.BIN" -d "$work/f" -s "$chunk" --no-fill)
tc=$(best split -b "$data" "$work/SOURCE.BIN" "$work/c/part.")
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
