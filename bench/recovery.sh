#!/usr/bin/env bash
# Recovery files: writing 10 of them for a page-cached 1 GiB source in 100
# parts against `par2 create -r10` of the same source (10% recovery), in the
# same run, with the encoder's peak memory; then a join in one pass over the
# parts that rebuilds one lost part of the 100 against `cat` of the parts (a
# plain join's reading and writing). Last, the same through fennimar-cli, in
# alternating rounds: a split against one with -r 10 (goal: at most 2x), and
# a join against one that rebuilds part 37 of the 100 (goal: at most 2x).
# Usage: bench/recovery.sh [BUILD_DIR] [SIZE_MIB] [PAR2_RUNS]
# par2 takes minutes for 1 GiB: it runs PAR2_RUNS times (default 1; 0 leaves
# it out), the rest three times, best of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
mib=${2:-1024}
par2_runs=${3:-1}
. "$root/bench/bench_lib.sh"
bench_build "$build" fennimar-cli recovery_tool
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
head -c $((mib * 1048576)) /dev/urandom > "$work/SOURCE.BIN"
size=$((mib * 1048576))
chunk=$(( (size + 99) / 100 + 86 ))
mkdir -p "$work/f" "$work/r" "$work/p" "$work/j"
"$build/src/cli/fennimar-cli" split "$work/SOURCE.BIN" -d "$work/f" -s "$chunk" --no-fill > /dev/null
parts=("$work"/f/SOURCE.Z*)
cat "$work/SOURCE.BIN" "${parts[@]}" > /dev/null   # into the page cache
tool=$build/bench/recovery_tool

tr=$(best "$work/r" -- "$tool" encode "$work/r/SOURCE" 10 "${parts[@]}")
test -e "$work/r/SOURCE.R09"
# (par2 takes only sources under its base path, which is the directory of
# its own files unless told.)
tp=
if [ "$par2_runs" -gt 0 ]; then
  tp=$(BEST_RUNS=$par2_runs best "$work/p" -- par2 create -q -r10 -B "$work" \
       "$work/p/SOURCE.par2" "$work/SOURCE.BIN")
  test -e "$work/p/SOURCE.par2"
  rm -rf "$work/p"/*
fi
"$tool" encode "$work/r/SOURCE" 10 "${parts[@]}"
rss=$(/usr/bin/time -f %M "$tool" encode "$work/r/SOURCE2" 10 "${parts[@]}" 2>&1 | tail -n 1)
rm -f "$work"/r/SOURCE2.*
# One part at a time, as for removable disks: the same files.
ti=$(BEST_RUNS=1 best "$work/j" -- "$tool" add "$work/j/SOURCE" 10 "${parts[@]}")
cmp "$work/j/SOURCE.R09" "$work/r/SOURCE.R09"
tb=$(best "$work/j" -- "$tool" rebuild "$work/j/JOINED" 37 "$work/r/SOURCE" "${parts[@]}")
tc=$(best "$work/j" -- sh -c "cat $work/f/SOURCE.Z* > $work/j/CAT")
"$tool" rebuild "$work/j/JOINED" 37 "$work/r/SOURCE" "${parts[@]}"
cmp "$work/SOURCE.BIN" "$work/j/JOINED"
rebuild_rss=$(/usr/bin/time -f %M "$tool" rebuild "$work/j/JOINED" 37 "$work/r/SOURCE" "${parts[@]}" 2>&1 | tail -n 1)

# fennimar-cli itself. The set with recovery files, once whole and once
# without part 37; the plain set (parts and manifest) from above.
cli=$build/src/cli/fennimar-cli
mkdir -p "$work/rs" "$work/lost" "$work/o"
"$cli" split "$work/SOURCE.BIN" -d "$work/rs" -s "$chunk" --no-fill -r 10 > /dev/null
ln "$work"/rs/SOURCE.* "$work/lost/"
rm "$work/lost/SOURCE.Z37"
cat "$work"/rs/SOURCE.* > /dev/null
run_split() { "$cli" split "$work/SOURCE.BIN" -d "$work/o" -s "$chunk" --no-fill; }
run_split_r10() { "$cli" split "$work/SOURCE.BIN" -d "$work/o" -s "$chunk" --no-fill -r 10; }
run_join() { "$cli" join "$work/f/SOURCE.Z00" -d "$work/o" -y; }
run_join_rebuilding() { "$cli" join "$work/lost/SOURCE.Z00" -d "$work/o" -y; }
names=(split split_r10 join join_rebuilding)
settle() { dd if="$work/SOURCE.BIN" of="$work/o/SETTLE" bs=1M status=none; }
declare -A best_of
alternate 3 "$work/o" "${names[@]}"
rm -rf "${work:?}"/o/*
run_join_rebuilding > /dev/null
cmp "$work/SOURCE.BIN" "$work/o/SOURCE.BIN"
rm -rf "${work:?}"/o/*
cli_split_rss=$(/usr/bin/time -f %M "$cli" split "$work/SOURCE.BIN" -d "$work/o" -s "$chunk" \
                --no-fill -r 10 2>&1 >/dev/null | tail -n 1)
rm -rf "${work:?}"/o/*
cli_join_rss=$(/usr/bin/time -f %M "$cli" join "$work/lost/SOURCE.Z00" -d "$work/o" -y \
               2>&1 >/dev/null | tail -n 1)

printf 'recovery files for %d MiB in %d parts, 10 files (10%%)\n' "$mib" "${#parts[@]}"
printf '  fennimar encode       : %.3f s  (%.0f MiB/s)\n' "$tr" "$(echo "$mib / $tr" | bc -l)"
if [ -n "$tp" ]; then
  printf '  par2 create -r10      : %.3f s  (%.1f MiB/s, best of %d)\n' "$tp" \
    "$(echo "$mib / $tp" | bc -l)" "$par2_runs"
  printf '  ratio par2/fennimar time: %.1f (the target is at least 50)\n' "$(echo "$tp / $tr" | bc -l)"
fi
printf '  fennimar encode peak memory (max RSS): %d KiB\n' "$rss"
printf '  fennimar one part at a time: %.3f s (a temporary file of the 10 payloads)\n' "$ti"
printf 'join in one pass with part 37 of %d rebuilt (a recovery file checked first)\n' \
  "${#parts[@]}"
printf '  fennimar rebuilding join: %.3f s\n' "$tb"
printf '  cat of all parts        : %.3f s\n' "$tc"
printf '  ratio fennimar/cat time : %.2f (the target is at most 2)\n' "$(echo "$tb / $tc" | bc -l)"
printf '  fennimar rebuilding join peak memory (max RSS): %d KiB\n' "$rebuild_rss"
printf 'fennimar-cli, best of 3 alternating rounds\n'
for name in "${names[@]}"; do printf '  %-16s %7.3f s\n' "$name" "${best_of[$name]}"; done
printf '  split -r 10 / split     : %.2f (the target is at most 2)\n' \
  "$(echo "${best_of[split_r10]} / ${best_of[split]}" | bc -l)"
printf '  rebuilding join / join  : %.2f (the target is at most 2)\n' \
  "$(echo "${best_of[join_rebuilding]} / ${best_of[join]}" | bc -l)"
if [ -n "$tp" ]; then
  printf '  par2 create -r10 / split -r 10: %.1f (the target is at least 50)\n' \
    "$(echo "$tp / ${best_of[split_r10]}" | bc -l)"
fi
printf '  peak memory (max RSS): split -r 10 %d KiB, rebuilding join %d KiB (below 65536)\n' \
  "$cli_split_rss" "$cli_join_rss"
