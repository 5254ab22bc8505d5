# Shared by the benchmark scripts: builds the release programs, and times a
# command as the best of three wall-clock runs, or several in turns.
# The caller sets `root`, and `work` (scratch directory) before `best`.

# bench_build BUILD_DIR [TARGET...]: a release build without tests or GUI.
bench_build() {
  local build=$1
  shift
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNIMAR_BUILD_BENCH=ON \
    -DFENNIMAR_BUILD_TESTS=OFF -DFENNIMAR_BUILD_GUI=OFF >/dev/null
  if [ $# -gt 0 ]; then
    for target in "$@"; do cmake --build "$build" -j"$(nproc)" --target "$target" >/dev/null; done
  else
    cmake --build "$build" -j"$(nproc)" >/dev/null
  fi
}

# best CLEAN_DIR... -- COMMAND...: best of three (or $BEST_RUNS) wall-clock
# seconds of COMMAND, emptying the CLEAN_DIRs and syncing before each run.
best() {
  local dirs=()
  while [ "$1" != "--" ]; do dirs+=("$1"); shift; done
  shift
  local best=
  for _ in $(seq "${BEST_RUNS:-3}"); do
    for d in "${dirs[@]}"; do rm -rf "${d:?}"/*; done
    sync
    local t0 t1 t
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    t=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

# alternate ROUNDS CLEAN_DIR NAME...: runs the functions run_NAME in turns,
# ROUNDS times, each on an emptied, synced CLEAN_DIR, keeping each one's best
# wall-clock seconds in the caller's associative array best_of. When the
# caller defines `settle`, it runs, untimed, before each command: on ext4
# the first large write after many files were deleted can pay seconds of
# the file system's own work (seen after coreutils' split), which belongs to
# none of the commands.
alternate() {
  local rounds=$1 dir=$2 round name t0 t1 t
  shift 2
  for ((round = 0; round < rounds; ++round)); do
    for name in "$@"; do
      rm -rf "${dir:?}"/*
      sync
      if declare -F settle > /dev/null; then
        settle
        rm -rf "${dir:?}"/*
        sync
      fi
      t0=$(date +%s.%N); "run_$name" >/dev/null 2>&1; t1=$(date +%s.%N)
      t=$(echo "$t1 - $t0" | bc -l)
      if [ -z "${best_of[$name]:-}" ] || [ "$(echo "$t < ${best_of[$name]}" | bc -l)" = 1 ]; then
        best_of[$name]=$t
      fi
    done
  done
}
