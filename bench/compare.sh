#!/usr/bin/env bash
# Split and join of a page-cached 1 GiB file into 100 parts by two builds of
# fennimar-cli (an earlier commit's and this one's, say), alternating run by
# run, and which goes first from round to round (a run second after the
# other is slower here), so that both meet the same machine; prints the best
# time of each and their ratio. Usage: bench/compare.sh OTHER_CLI THIS_CLI [RUNS]
set -euo pipefail
other=$1 this=$2 runs=${3:-7}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
head -c 1073741824 /dev/urandom > "$work/SOURCE.BIN"
cat "$work/SOURCE.BIN" > /dev/null      # into the page cache
chunk=$(( (1073741824 + 99) / 100 + 86 ))
declare -A split join
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
keep_best() { [ -z "${!1:-}" ] || [ "$(echo "$2 < ${!1}" | bc -l)" = 1 ] && printf -v "$1" '%s' "$2"; true; }
for round in $(seq "$runs"); do
  order="other this"
  [ $((round % 2)) = 0 ] && order="this other"
  for side in $order; do
    cli=${!side}
    rm -rf "$work/parts" "$work/joined"; mkdir "$work/parts" "$work/joined"; sync
    keep_best "split[$side]" "$(seconds "$cli" split "$work/SOURCE.BIN" -d "$work/parts" -s "$chunk" --no-fill)"
    sync
    keep_best "join[$side]" "$(seconds "$cli" join "$work/parts/SOURCE.Z00" -d "$work/joined" --yes)"
  done
  cmp -s "$work/SOURCE.BIN" "$work/joined/SOURCE.BIN" || { echo "the joined file differs"; exit 1; }
done
for step in split join; do
  declare -n best=$step
  printf '%-5s best of %d: other %.3f s, this %.3f s, this/other %.3f\n' "$step" "$runs" \
    "${best[other]}" "${best[this]}" "$(echo "${best[this]} / ${best[other]}" | bc -l)"
done
