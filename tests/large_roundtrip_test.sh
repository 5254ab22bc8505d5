#!/usr/bin/env bash
# Round trips of sources of 2 GiB and more (large sets) through the disk under
# /var/tmp: fennimar-cli split, then fennimar-cli join and joinex, each result
# compared with the source byte for byte and by its modification time (after
# 2038). The sources are sparse with islands of random data (every 64 MiB and
# across every part boundary), so they cost little to make; the parts and the
# joined files are written in full and every byte is compared.
set -u
cli="$1"
joinex="$2"
work=$(mktemp -d /var/tmp/fennimar-large.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
# Parts and one joined file of the largest source live at once.
if [ "$(df -Pk "$work" | awk 'NR == 2 { print $4 }')" -lt $((12 * 1024 * 1024)) ]; then
  echo "SKIP: less than 12 GiB free under /var/tmp"
  exit 77
fi
. "$(dirname "$0")/script_checks.sh"

# make_source PATH SIZE PART_DATA: a sparse file of SIZE bytes whose islands
# of 1 MiB random data lie every 64 MiB, across each multiple of PART_DATA and
# at the very end.
make_source() {
  /usr/bin/python3 - "$@" <<'EOF'
import os, sys
path, size, part = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
mib = 1 << 20
island = os.urandom(mib)
with open(path, "wb") as f:
    f.truncate(size)
    starts = set(range(0, size, 64 * mib)) | {size - mib}
    starts |= {max(0, b - mib // 2) for b in range(part, size, part)}
    for i, at in enumerate(sorted(starts)):
        f.seek(at)
        f.write((i.to_bytes(8, "little") + island)[: min(mib, size - at)])
EOF
}

# round_trip NAME SIZE SIZE_OPTION PART_DATA PARTS
round_trip() {
  local name=$1 size=$2 option=$3 part=$4 parts=$5 stem=${1%%.*}
  mkdir -p "$work/src" "$work/parts"
  make_source "$work/src/$name" "$size" "$part"
  touch -d @2208988800 "$work/src/$name"  # 2040-01-01 00:00:00 UTC
  "$cli" split "$work/src/$name" -d "$work/parts" -s "$option" -y < /dev/null > "$work/out.txt" 2>&1
  check "$name: split" 0 $?
  check "$name: parts" "$parts" "$(ls "$work/parts"/*.Z* | wc -l)"
  check "$name: size line" " File size: $size" "$(sed -n 2p "$work/out.txt")"
  for joiner in cli joinex; do
    mkdir -p "$work/joined"
    if [ $joiner = cli ]; then
      "$cli" join "$work/parts/$stem.Z01" -d "$work/joined" -y < /dev/null > "$work/out.txt" 2>&1
    else
      "$joinex" "$work/parts/$stem.Z00" "$work/joined" < /dev/null > "$work/out.txt" 2>&1
    fi
    check "$name: $joiner exit status" 0 $?
    cmp -s "$work/src/$name" "$work/joined/$name"
    check "$name: $joiner result equals the source" 0 $?
    check "$name: $joiner time" 2208988800 "$(stat -c %Y "$work/joined/$name" 2>/dev/null)"
    rm -rf "$work/joined"
  done
  rm -rf "$work/src" "$work/parts"
}

# Just over 2 GiB in FAT32-sized parts (2 GiB - 1 bytes): two parts.
round_trip JUST_OVER.BIN $(((2 << 30) + 4321)) fat32 2147483561 2
# About 5 GiB in parts of 1000 MiB: six parts.
round_trip FIVE.ISO $(((5 << 30) + 12345)) 1000m $(((1000 << 20) - 86)) 6

finish large_roundtrip
