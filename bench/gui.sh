#!/usr/bin/env bash
# The desktop program against the terminal: split of a page-cached 512 MiB
# file into 30,000 kB parts and merge of those parts, by `fennimar` (its real
# window and dialogs on a private X server with a window manager, timed from
# OK until the progress window is gone) and by `fennimar-cli` (the whole
# process), alternating in the same run; best of five each, printed as ratios.
# Usage: bench/gui.sh [BUILD_DIR] [SIZE_MIB]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench-gui}
mib=${2:-512}
if [ -z "${FENNIMAR_IN_XVFB:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNIMAR_BUILD_BENCH=ON \
    -DFENNIMAR_BUILD_TESTS=OFF -DFENNIMAR_BUILD_GUI=ON >/dev/null
  for target in fennimar-cli gui_bench; do
    cmake --build "$build" -j"$(nproc)" --target "$target" >/dev/null
  done
  exec "$root/tests/run_gui_test.sh" "$0" "$build" "$mib"
fi
cli="$build/src/cli/fennimar-cli"
gui="$build/bench/gui_bench"
work=$(mktemp -d "${TMPDIR:-/var/tmp}/fennimar-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
mkdir -p "$work/cfg/fennimar" "$work/g" "$work/c" "$work/parts"
# Parts of 30,000 kB; the directories are typed into the dialogs.
printf '[FENNIMAR]\nChType=DO 30000\nFormat=FIXED\n' > "$work/cfg/fennimar/FENNIMAR.INI"
chunk=$((30000 * 1024))
head -c $((mib * 1048576)) /dev/urandom > "$work/SOURCE.BIN"
cat "$work/SOURCE.BIN" > /dev/null      # into the page cache
"$cli" split "$work/SOURCE.BIN" -d "$work/parts" -s "$chunk" --no-fill >/dev/null
part0="$work/parts/SOURCE.Z00"
cat "$work"/parts/* > /dev/null

# seconds COMMAND...: wall-clock seconds of the whole command.
seconds() {
  local t0 t1
  t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" = 1 ]; then echo "$2"; else echo "$1"; fi; }
clean() { rm -rf "$work/g"/* "$work/c"/*; sync; }

cs= gs= cj= gj=
for _ in 1 2 3 4 5; do
  clean; cs=$(min "$cs" "$(seconds "$cli" split "$work/SOURCE.BIN" -d "$work/c" -s "$chunk" --no-fill)")
  clean; gs=$(min "$gs" "$("$gui" split "$work/SOURCE.BIN" "$work/g")")
  cmp -s "$work/g/SOURCE.Z00" "$work/parts/SOURCE.Z00" || { echo "the desktop split differs"; exit 1; }
  clean; cj=$(min "$cj" "$(seconds "$cli" join "$part0" -d "$work/c" -y)")
  clean; gj=$(min "$gj" "$("$gui" merge "$part0" "$work/g")")
  cmp -s "$work/g/SOURCE.BIN" "$work/SOURCE.BIN" || { echo "the desktop merge differs"; exit 1; }
done
clean
printf 'split of %d MiB into %d parts of 30,000 kB, best of 5\n' "$mib" "$(ls "$work/parts" | wc -l)"
printf '  fennimar-cli split : %.3f s\n  fennimar split     : %.3f s\n' "$cs" "$gs"
printf '  ratio desktop/terminal: %.2f (goal: at most 1.2)\n' "$(echo "$gs / $cs" | bc -l)"
printf 'merge of the same parts, best of 5\n'
printf '  fennimar-cli join  : %.3f s\n  fennimar merge     : %.3f s\n' "$cj" "$gj"
printf '  ratio desktop/terminal: %.2f (goal: at most 1.2)\n' "$(echo "$gj / $cj" | bc -l)"
echo "(a shared, noisy machine: compare ratios of one run, not seconds across runs)"
