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
. "$root/bench/bench_lib.sh"
bench_build "$build" fennimar-cli
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

catparts() { cat "${parts[@]}" > "$work/c/ALL"; }
tf=$(best "$work/f" "$work/c" -- "$cli" join "${parts[0]}" -d "$work/f" -y)
tc=$(best "$work/f" "$work/c" -- catparts)
rm -f "$work/f"/* "$work/c"/*
rss=$(/usr/bin/time -f %M "$cli" join "${parts[0]}" -d "$work/f" -y 2>&1 >/dev/null | tail -n 1)
[ "$(md5sum < "$work/f/SOURCE.BIN")" = "$sum" ] || { echo "joined file differs"; exit 1; }
printf 'merge of %d MiB from %d parts\n' "$mib" "${#parts[@]}"
printf '  fennimar-cli join : %.3f s  (%.0f MiB/s)\n' "$tf" "$(echo "$mib / $tf" | bc -l)"
printf '  cat of the parts  : %.3f s  (%.0f MiB/s)\n' "$tc" "$(echo "$mib / $tc" | bc -l)"
printf '  ratio join/cat time: %.2f (goal: below 1.5)\n' "$(echo "$tf / $tc" | bc -l)"
printf '  join peak memory (max RSS): %d KiB (goal: below 16384)\n' "$rss"
