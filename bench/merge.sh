#!/usr/bin/env bash
# Merge throughput and peak memory: fennimar-cli join of a page-cached 100-part
# set of 1 GiB against `cat` of the same parts into one file, in the same run.
# `cat` copies inside the kernel and checks nothing; the merge reads every
# byte to add it into the part's checksum, so the goal is a ratio below 1.5.
# Peak memory (max RSS) must stay below 16 MiB whatever the set's size.
# Usage: bench/merge.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-1024}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNIMAR_BUILD_BENCH=ON \
  -DFENNIMAR_BUILD_TESTS=OFF -DFENNIMAR_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fennimar-cli >/dev/null
cli="$build/src/cli/fennimar-cli"
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
size=$((mib * 1048576))
data=$(( (size + 99) / 100 ))          # data bytes per part: 100 parts
head -c "$size" /dev/urandom > "$work/SOURCE.BIN"
mkdir -p "$work/parts" "$work/f" "$work/c"
"$cli" split "$work/SOURCE.BIN" -d "$work/parts" -s $((data + 86)) --no-fill >/dev/null
sum=$(md5sum < "$work/SOURCE.BIN")
rm "$work/SOURCE.BIN"                   # room for the two results
parts=("$work"/parts/SOURCE.Z*)
cat "${parts[@]}" > /dev/null            # into the page cache

best() {  # best of three wall-clock seconds of a command
  local best=
  for _ in 1 2 3; do
    rm -f "$work/f"/* "$work/c"/*
    sync
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    local t; t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
catparts() { cat "${parts[@]}" > "$work/c/ALL"; }
tf=$(best "$cli" join "${parts[0]}" -d "$work/f" -y)
tc=$(best catparts)
rm -f "$work/f"/* "$work/c"/*
rss=$(/usr/bin/time -f %M "$cli" join "${parts[0]}" -d "$work/f" -y 2>&1 >/dev/null | tail -n 1)
[ "$(md5sum < "$work/f/SOURCE.BIN")" = "$sum" ] || { echo "joined file differs"; exit 1; }
printf 'merge of %d MiB from %d parts\n' "$mib" "${#parts[@]}"
printf '  fennimar-cli join : %.3f s  (%.0f MiB/s)\n' "$tf" "$(echo "$mib / $tf" | bc -l)"
printf '  cat of the parts  : %.3f s  (%.0f MiB/s)\n' "$tc" "$(echo "$mib / $tc" | bc -l)"
printf '  ratio join/cat time: %.2f (goal: below 1.5)\n' "$(echo "$tf / $tc" | bc -l)"
printf '  join peak memory (max RSS): %d KiB (goal: below 16384)\n' "$rss"
