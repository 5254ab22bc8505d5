#!/usr/bin/env bash
# fennimar-cli join and the companion joiner joinex as a user runs them: a
# set written by fennimar-cli split, joined from another directory; damaged
# and incomplete sets; exit status; joinex outside the build tree.
set -u
cli="$1"
joinex="$2"
linking="${3:-static}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
source "$(dirname "$0")/script_checks.sh"
cd "$work"
head -c 350000 /dev/urandom > DATA.BIN
touch -d @1500000000 DATA.BIN
"$cli" split DATA.BIN -s 100k -d parts -y < /dev/null > /dev/null 2>&1
check "split" "DATA.Z00 DATA.Z01 DATA.Z02 DATA.Z03" "$(cd parts && echo *)"
mkdir elsewhere && cd elsewhere

# fennimar-cli join
"$cli" join ../parts/DATA.Z02 -d "$work/joined" < /dev/null > out.txt 2> err.txt
check "no terminal answers No" 1 $?
check "directory question" "Merge: Directory does not exist, create? no (no terminal to ask; --yes answers yes)" "$(cat err.txt)"
[ -e "$work/joined" ] && check "directory not created" absent present

"$cli" join ../parts/DATA.Z02 -d "$work/joined" -y < /dev/null > out.txt 2> err.txt
check "join" 0 $?
cmp -s "$work/DATA.BIN" "$work/joined/DATA.BIN"
check "joined copy identical" 0 $?
check "modification time" 1500000000 "$(stat -c %Y "$work/joined/DATA.BIN")"
check "last line" " Merge Complete" "$(tail -n 1 out.txt)"
check "merging line" " Merging 4 files to create: $work/joined/DATA.BIN" "$(grep Merging out.txt)"

"$cli" join ../parts/DATA.Z00 -d "$work/joined" < /dev/null > out.txt 2> err.txt
check "existing target kept without a terminal" 1 $?
cmp -s "$work/DATA.BIN" "$work/joined/DATA.BIN"
check "existing target untouched" 0 $?

cp -r ../parts ../damaged
printf '\x55' | dd of=../damaged/DATA.Z01 bs=1 seek=500 conv=notrunc 2>/dev/null
"$cli" join ../damaged/DATA.Z00 -d "$work/d1" -y < /dev/null > out.txt 2> err.txt
check "damaged set" 1 $?
grep -q "^Merged file may be corrupted: Checksum error for file $work/elsewhere/../damaged/DATA.Z01 should be [0-9A-F]\{4\} is [0-9A-F]\{4\}$" err.txt
check "checksum message" 0 $?
check "abort message" "Abort:  1 checksum errors, merge aborted" "$(tail -n 1 err.txt)"
check "damaged result deleted" "" "$(ls "$work/d1")"

rm ../damaged/DATA.Z03
cp ../parts/DATA.Z01 ../damaged/DATA.Z01
"$cli" join ../damaged/DATA.Z00 -d "$work/d2" -y < /dev/null > out.txt 2> err.txt
check "missing part without a terminal" 1 $?
check "missing part status" " Merge Aborted" "$(tail -n 1 out.txt)"
check "missing part named" "  $work/elsewhere/../damaged/DATA.Z03" "$(tail -n 1 err.txt)"
check "incomplete result deleted" "" "$(ls "$work/d2")"

# On a terminal the disk prompt asks for a directory; an empty line looks again.
if command -v script > /dev/null; then
  mkdir -p ../moved && cp ../parts/DATA.Z0* ../damaged/ && mv ../damaged/DATA.Z02 ../damaged/DATA.Z03 ../moved/
  (printf '\n%s\n' "$work/moved"; sleep 2) |
    script -qec "'$cli' join ../damaged/DATA.Z00 -d '$work/d3' -y" /dev/null > tty.txt 2>&1
  check "disk prompt on a terminal" 0 $?
  check "prompted twice" 2 "$(grep -c 'or specify new path' tty.txt)"
  cmp -s "$work/DATA.BIN" "$work/d3/DATA.BIN"
  check "joined from the new path" 0 $?
fi

"$cli" join ../parts/DATA.Z00 -d "/$(printf 'd%.0s' {1..100})" -y > /dev/null 2>&1
check "directory over 99 characters" 2 $?
"$cli" join --help > /dev/null
check "join help" 0 $?

# joinex: self-contained, run from a directory outside the build tree.
if [ "$linking" = static ] && ldd "$joinex" 2>/dev/null | grep -Eq 'libstdc\+\+|libgcc_s'; then
  check "joinex needs no libstdc++ or libgcc_s" none "$(ldd "$joinex" | tr -s ' \n' ' ')"
fi
mkdir -p "$work/bin" && cp "$joinex" "$work/bin/joinex"
check "help has two lines" 2 "$("$work/bin/joinex" --help | wc -l)"
"$work/bin/joinex" ../parts/DATA.Z03 > out.txt 2> err.txt
check "joinex beside the parts" 0 $?
cmp -s "$work/DATA.BIN" "$work/parts/DATA.BIN"
check "joinex copy identical" 0 $?
check "joinex modification time" 1500000000 "$(stat -c %Y "$work/parts/DATA.BIN")"
mkdir "$work/x"
"$work/bin/joinex" ../parts/DATA.Z01 "$work/x" > /dev/null 2>&1
check "joinex into a directory" 0 $?
cmp -s "$work/DATA.BIN" "$work/x/DATA.BIN"
check "joinex directory copy identical" 0 $?
[ -e "$work/cfg" ] && check "joinex wrote no settings" absent present

cp ../parts/DATA.Z0* ../damaged/
printf '\x55' | dd of=../damaged/DATA.Z02 bs=1 seek=300 conv=notrunc 2>/dev/null
mkdir "$work/k1" "$work/k2"
"$work/bin/joinex" ../damaged/DATA.Z00 "$work/k1" > /dev/null 2> err.txt
check "joinex damaged set" 1 $?
check "joinex deletes after checksum errors" "" "$(ls "$work/k1")"
"$work/bin/joinex" ../damaged/DATA.Z00 "$work/k2" --keep > /dev/null 2>&1
check "joinex --keep" 1 $?
check "joinex keeps with --keep" "DATA.BIN" "$(ls "$work/k2")"

# In a root that holds nothing but joinex and the parts.
if [ "$(id -u)" = 0 ] && ! ldd "$joinex" > /dev/null 2>&1; then
  mkdir -p "$work/root/parts" "$work/root/out"
  cp "$joinex" "$work/root/joinex" && cp ../parts/DATA.Z0* "$work/root/parts/"
  chroot "$work/root" /joinex /parts/DATA.Z00 /out > /dev/null 2>&1
  check "joinex in an empty root" 0 $?
  cmp -s "$work/DATA.BIN" "$work/root/out/DATA.BIN"
  check "joinex in an empty root, copy identical" 0 $?
fi

finish "fennimar-cli join and joinex"
