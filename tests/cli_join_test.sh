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
check "split" "DATA.Z00 DATA.Z01 DATA.Z02 DATA.Z03 DATA.sha256" "$(cd parts && echo *)"
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
check "no Reading: lines when output is no terminal" 0 "$(grep -c Reading: out.txt)"
"$cli" join ../parts/DATA.Z02 --dir="$work/joined" -yv < /dev/null > out.txt 2> err.txt
check "-v: a Reading: line for each part" "0 4" "$? $(grep -c Reading: out.txt)"
"$cli" join -qy ../parts/DATA.Z02 -d"$work/joined" < /dev/null > out.txt 2> err.txt
check "-q: nothing on standard output" "0 0" "$? $(wc -c < out.txt)"

# A directory of one set stands for it; a file that is no part, or a
# directory without one set, is told as such and nothing is made.
"$cli" join ../parts -d "$work/fromdir" -y < /dev/null > out.txt 2> err.txt
status=$?
cmp -s "$work/DATA.BIN" "$work/fromdir/DATA.BIN"
check "join DIR of one set" "0 0" "$status $?"
mkdir ../two && cp ../parts/DATA.Z0* ../two/ && cp ../parts/DATA.Z00 ../two/OTHER.Z00
"$cli" join ../two -d "$work/none" -y < /dev/null > out.txt 2> err.txt
check "join DIR of two sets" "1 DATA.Z00 OTHER.Z00" "$? $(tail -n 2 err.txt | xargs)"
"$cli" join ../parts/../DATA.BIN -d "$work/none" -y < /dev/null > out.txt 2> err.txt
check "join FILE that is no part" "1 Merge: Not a part file" "$? $(head -n 1 err.txt)"
[ -e "$work/none" ] && check "nothing made for a source that is no set" absent present

"$cli" join ../parts/DATA.Z00 -d "$work/joined" < /dev/null > out.txt 2> err.txt
check "existing target kept without a terminal" 1 $?
cmp -s "$work/DATA.BIN" "$work/joined/DATA.BIN"
check "existing target untouched" 0 $?

cp -r ../parts ../damaged
damage ../damaged/DATA.Z01 500
"$cli" join ../damaged/DATA.Z00 -d "$work/d1" -y < /dev/null > out.txt 2> err.txt
check "damaged set" 1 $?
grep -q "^Merged file may be corrupted: Checksum error for file $work/elsewhere/../damaged/DATA.Z01 should be [0-9A-F]\{4\} is [0-9A-F]\{4\}$" err.txt
check "checksum message" 0 $?
# The manifest beside the parts sees the damage too, in the part and in the
# joined data; without it the set is checked by its checksums alone.
grep -q "^DATA.Z01$" err.txt && grep -q "^DATA.BIN (the joined file)$" err.txt
check "digests named" 0 $?
check "abort message" "Abort:  3 checksum errors, merge aborted" "$(tail -n 1 err.txt)"
rm ../damaged/DATA.sha256
"$cli" join ../damaged/DATA.Z00 -d "$work/d1" -y < /dev/null > out.txt 2> err.txt
check "abort message without a manifest" "Abort:  1 checksum errors, merge aborted" "$(tail -n 1 err.txt)"

# verify: whole, damaged, missing; and sha256sum checks the joined file.
"$cli" verify ../parts/DATA.sha256 > out.txt 2> err.txt
check "verify of a whole set" "0 4 parts of DATA.BIN: whole; the set can be joined." "$? $(tail -n 1 out.txt)"
cp ../parts/DATA.sha256 ../damaged/
"$cli" verify ../damaged/DATA.Z03 > out.txt 2> err.txt
check "verify of a damaged set" "2 DATA.Z01: damaged (its checksum does not match its data)" "$? $(sed -n 2p out.txt)"
cp -r ../parts ../gaps && rm ../gaps/DATA.Z01 ../gaps/DATA.Z02
"$cli" verify ../gaps/DATA.Z00 > out.txt 2> err.txt
check "verify names every missing part" "2 DATA.Z01: missing DATA.Z02: missing" "$? $(sed -n 2,3p out.txt | xargs)"
cp "$work/joined/DATA.BIN" ../parts/ && (cd ../parts && sha256sum --quiet -c DATA.sha256)
check "sha256sum checks the joined file" 0 $?
rm ../parts/DATA.BIN
check "damaged result deleted" "" "$(ls "$work/d1")"

# Recovery files: two of a 20-part set rebuild any two missing or damaged
# parts (two bytes swapped keep the 16-bit sum; the manifest sees them);
# three lost parts are told, all of them, and nothing is joined.
swap() { /usr/bin/python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(2); f.seek(int(sys.argv[2])); f.write(b[::-1])' "$1" "$2"; }
"$cli" split ../DATA.BIN -s 17586 -r 21 -d ../healing -y < /dev/null > out.txt 2> err.txt
check "more recovery files than parts" "1 0" "$? $(ls ../healing | wc -l)"
"$cli" split ../DATA.BIN -s 17586 -r 2 -d ../healing -y < /dev/null > /dev/null 2>&1
check "split -r 2" "0 20 DATA.R00 DATA.R01" "$? $(ls ../healing/DATA.Z* | wc -l) $(cd ../healing && echo DATA.R*)"
rm ../healing/DATA.Z03 && swap ../healing/DATA.Z11 1000
"$cli" verify ../healing/DATA.Z00 > out.txt 2> err.txt
check "verify of a set that can be rebuilt" "1 2 of 20 parts are missing or damaged; they can be rebuilt from the set's recovery parts." "$? $(tail -n 1 out.txt)"
"$cli" join ../healing/DATA.Z05 -d "$work/healed" -y < /dev/null > out.txt 2> err.txt
check "join rebuilds" "0 Merge Complete" "$? $(tail -n 1 out.txt | xargs)"
check "rebuilt parts told" "Merge: Part 3 was rebuilt from the recovery parts ($work/elsewhere/../healing/DATA.Z03)|Part 11 was rebuilt from the recovery parts ($work/elsewhere/../healing/DATA.Z11)" "$(tail -n 2 err.txt | paste -sd'|')"
cp "$work/healed/DATA.BIN" ../healing/
(cd ../healing && sha256sum -c DATA.sha256 2> /dev/null | grep -qx 'DATA.BIN: OK')
check "sha256sum agrees with the rebuilt file" 0 $?
rm ../healing/DATA.BIN
rm ../healing/DATA.Z15
"$cli" join ../healing/DATA.Z00 -d "$work/unhealed" -y < /dev/null > out.txt 2> err.txt
check "three lost parts" "1 0" "$? $(grep -c 'Merge Complete' out.txt)"
grep -q "3 parts of 20 are missing or damaged, more than the 2 sound recovery parts can rebuild; the set cannot be rebuilt" err.txt &&
  grep -q "DATA.Z03: missing" err.txt && grep -q "DATA.Z11: damaged" err.txt && grep -q "DATA.Z15: missing" err.txt
check "every lost part named" 0 $?
check "nothing joined" "" "$(ls "$work/unhealed" 2> /dev/null)"

# Part 00 lost: verify and both joiners start from a recovery file and
# rebuild part 00 from it.
"$cli" split ../DATA.BIN -s 100k -r 1 -d ../headless -y < /dev/null > /dev/null 2>&1
rm ../headless/DATA.Z00 && mkdir "$work/headless"
"$cli" verify ../headless/DATA.R00 > out.txt 2> err.txt
check "verify without part 00" "1 DATA.Z00: missing" "$? $(sed -n 2p out.txt)"
"$cli" join ../headless/DATA.R00 -d "$work/headless" -y < /dev/null > out.txt 2> err.txt
check "join from a recovery file" "0 Merge Complete" "$? $(tail -n 1 out.txt | xargs)"
rm "$work/headless/DATA.BIN"
"$joinex" ../headless/DATA.R00 "$work/headless" < /dev/null > out.txt 2> err.txt
status=$?
cmp -s "$work/DATA.BIN" "$work/headless/DATA.BIN"
check "joinex rebuilds part 00" "0 0" "$status $?"

# A part 00 that is not part 0 of 1 to 100 parts is refused by both joiners,
# even with --yes, and the file already joined stays as it is.
set_byte() { printf "$(printf '\\%03o' "$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
mkdir ../lying
for lie in "index 1" "count 0" "count 200" "count 255"; do
  cp ../parts/DATA.Z0* ../lying/
  case $lie in
    "index 1") cp ../parts/DATA.Z01 ../lying/DATA.Z00 ;;
    *) set_byte ../lying/DATA.Z00 0 "${lie#count }" ;;
  esac
  "$cli" join ../lying/DATA.Z00 -d "$work/joined" -y < /dev/null > out.txt 2> err.txt
  check "join refuses part 00 with $lie" "1 ../lying/DATA.Z00: Invalid Component File, Merge aborted" "$? $(head -n 1 err.txt | sed "s|^.*/elsewhere/||")"
  "$joinex" ../lying/DATA.Z00 "$work/joined" < /dev/null > out.txt 2> err.txt
  check "joinex refuses part 00 with $lie" "1 ../lying/DATA.Z00: Invalid Component File, Merge aborted" "$? $(head -n 1 err.txt | sed "s|^.*/elsewhere/||")"
  cmp -s "$work/DATA.BIN" "$work/joined/DATA.BIN"
  check "joined file kept after part 00 with $lie" 0 $?
done

# A set whose stored name is hidden (.profile) is never joined without the
# person's own answer: not with --yes, not without a terminal.
mkdir ../hidden "$work/home" && cp ../parts/DATA.Z0* ../hidden/
for part in ../hidden/DATA.Z0*; do
  { printf .profile; head -c 62 /dev/zero; } | dd of="$part" bs=1 seek=2 conv=notrunc status=none
done
echo mine > "$work/home/.profile"
"$cli" join ../hidden/DATA.Z00 -d "$work/home" -y < /dev/null > out.txt 2> err.txt
check "hidden name refused with --yes and no terminal" "1 Create it? no (no terminal to ask)" "$? $(tail -n 1 err.txt)"
"$joinex" ../hidden/DATA.Z00 "$work/home" < /dev/null > out.txt 2> err.txt
check "joinex refuses a hidden name without a terminal" 1 $?
check "hidden file kept" "mine" "$(cat "$work/home/.profile")"

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

# Part paths and directories as long as the system takes.
long="$work/$(printf 'p%.0s' {1..150})/$(printf 'q%.0s' {1..150})"
mkdir -p "$long/jx" && cp -p ../parts/DATA.Z0? "$long"
"$cli" join "$long/DATA.Z01" -d "$long/cli" -y < /dev/null > /dev/null 2> err.txt
check "join of parts with ${#long}-character paths" "0 0" "$? $(cmp -s "$work/DATA.BIN" "$long/cli/DATA.BIN"; echo $?)"
"$joinex" "$long/DATA.Z00" "$long/jx" < /dev/null > /dev/null 2> err.txt
check "joinex of parts with long paths" "0 0" "$? $(cmp -s "$work/DATA.BIN" "$long/jx/DATA.BIN"; echo $?)"
rm -rf "$work/ppp"*
"$cli" join ../parts/DATA.Z00 -d "/$(printf 'd%.0s' {1..4097})" -y > /dev/null 2>&1
check "directory over 4096 characters" 2 $?
"$cli" join --help > /dev/null
check "join help" 0 $?

"$cli" join ../parts/DATA.Z00 -d "" -y > /dev/null 2>&1
check "empty directory" 2 $?
mkdir "$work/gone" && (cd "$work/gone" && rmdir "$work/gone" &&
  "$cli" join ../parts/DATA.Z00 -y < /dev/null > /dev/null 2> "$work/err.txt")
check "unreadable working directory" 1 $?
check "unreadable working directory message" \
  "fennimar-cli: can not read the working directory, give full paths" "$(cat "$work/err.txt")"

# A large join killed at several points, or stopped by a signal without a
# terminal, leaves the existing target byte for byte; the next join removes
# what the killed one left and completes.
big="$work/big" && mkdir -p "$big/out"
head -c $((160 * 1048576)) /dev/urandom > "$big/BIG.BIN"
"$cli" split "$big/BIG.BIN" -s 2m -d "$big/parts" -y < /dev/null > /dev/null 2>&1
head -c 100000 /dev/urandom > "$big/out/BIG.BIN" && touch -d @1000000000 "$big/out/BIG.BIN"
cp -p "$big/out/BIG.BIN" "$big/old"
pending="$big/out/BIG.BIN.fennimar-partial"
signal_when() {  # signal_when SIGNAL BYTES: a join gets SIGNAL once its result holds BYTES
  local attempt pid i status
  # A join that a loaded machine let finish before the signal is run again.
  for attempt in 1 2 3; do
    cp -p "$big/old" "$big/out/BIG.BIN"
    "$cli" join "$big/parts/BIG.Z07" -d "$big/out" -yv < /dev/null > "$big/out.txt" 2>&1 &
    pid=$!
    # Once it reads its parts, what a killed join left has been replaced.
    for i in $(seq 2000); do
      grep -q Reading: "$big/out.txt" && [ "$(stat -c %s "$pending" 2>/dev/null || echo -1)" -ge "$2" ] &&
        break
      sleep 0.002
    done
    kill -"$1" "$pid"
    wait "$pid"
    status=$?
    [ "$status" != 0 ] && break
  done
  return "$status"
}
for bytes in 0 $((16 * 1048576)) $((48 * 1048576)); do
  signal_when KILL "$bytes"
  cmp -s "$big/old" "$big/out/BIG.BIN" && [ "$(stat -c %Y "$big/out/BIG.BIN")" = 1000000000 ]
  check "killed at $bytes bytes, target as it was" 0 $?
  check "killed at $bytes bytes, while writing" 1 "$(ls "$big/out" | grep -c fennimar-partial)"
done
signal_when INT $((8 * 1048576))
check "SIGINT without a terminal stops" 1 $?
check "stopped" " Aborted" "$(tail -n 1 "$big/out.txt")"
cmp -s "$big/old" "$big/out/BIG.BIN"
check "stopped, target as it was" 0 $?
"$cli" join "$big/parts/BIG.Z00" -d "$big/out" -y < /dev/null > /dev/null 2>&1
check "join after the kills" "0 BIG.BIN" "$? $(ls "$big/out")"
cmp -s "$big/BIG.BIN" "$big/out/BIG.BIN"
check "join after the kills, identical" 0 $?

# Runs at the same time into one directory: each either completes with the
# right file or fails with a message; none reports success for a file that
# is not there or not right.
mkdir -p "$big/other" "$big/c"
head -c $((8 * 1048576)) /dev/urandom > "$big/other/BIG.BIN"
"$cli" split "$big/other/BIG.BIN" -s 1m -d "$big/other/parts" -y < /dev/null > /dev/null 2>&1
pids=()
for i in $(seq 20); do
  set="$big/parts" && [ $((i % 2)) = 0 ] && set="$big/other/parts"
  "$cli" join "$set/BIG.Z00" -d "$big/c" -y < /dev/null > /dev/null 2> "$big/c.err.$i" &
  pids+=($!)
done
ok=0 wrong=0
for i in $(seq 20); do
  if wait "${pids[$((i - 1))]}"; then
    ok=$((ok + 1))
  elif ! grep -q "Another split or merge is writing into this directory" "$big/c.err.$i"; then
    wrong=$((wrong + 1))
  fi
done
[ "$ok" -ge 1 ] && { cmp -s "$big/BIG.BIN" "$big/c/BIG.BIN" || cmp -s "$big/other/BIG.BIN" "$big/c/BIG.BIN"; }
check "concurrent joins: a complete result ($ok completed)" 0 $?
check "concurrent joins: failures are told" 0 "$wrong"
check "concurrent joins: nothing else left" "BIG.BIN" "$(ls "$big/c")"
rm -rf "$big"

# Joins from mail. A stop signal while a part is taken out of a large
# message leaves no temporary file or directory, nor a joined file, and ends
# with status 1; what a killed run left is removed by the next run.
writer="$(cd "$(dirname "$0")" && pwd)/mail_write.py"
mail="$work/mail" && mkdir -p "$mail/Maildir/cur" "$mail/tmp" "$mail/x"
head -c $((100 * 1048576)) /dev/urandom > "$mail/LARGE.BIN"
"$cli" split "$mail/LARGE.BIN" -s 60m -d "$mail/p" -y < /dev/null > /dev/null 2>&1
/usr/bin/python3 "$writer" "$mail/Maildir/cur/1" "base64:$mail/p/LARGE.Z0"{0,1}
signal_extracting() {  # SIGNAL PATTERN COMMAND...: COMMAND gets SIGNAL once PATTERN exists
  local signal="$1" pattern="$2" attempt pid i status
  shift 2
  for attempt in 1 2 3; do
    TMPDIR="$mail/tmp" "$@" < /dev/null > "$mail/out.txt" 2>&1 &
    pid=$!
    for i in $(seq 3000); do
      compgen -G "$pattern" > /dev/null && break
      sleep 0.002
    done
    kill -"$signal" "$pid"
    wait "$pid"
    status=$?
    [ "$status" != 0 ] && break
  done
  return "$status"
}
taking="$mail/tmp/fennimar-mail-*/*/.fennimar-part-*"
signal_extracting TERM "$taking" "$cli" join "$mail/Maildir" -d "$mail/out" -y
check "join from mail stopped by SIGTERM" "1 " "$? $(ls -A "$mail/tmp")"
[ -e "$mail/out" ] && check "stopped join wrote nothing" absent present
signal_extracting HUP "$mail/x/.fennimar-part-*" "$cli" extract "$mail/Maildir" -d "$mail/x"
check "extract stopped by SIGHUP" "1 " "$? $(ls -A "$mail/x")"
signal_extracting KILL "$taking" "$cli" join "$mail/Maildir" -d "$mail/out" -y
signal_extracting KILL "$mail/x/.fennimar-part-*" "$cli" extract "$mail/Maildir" -d "$mail/x"
check "killed runs leave their files" "1 1" \
  "$(ls "$mail/tmp" | grep -c fennimar-mail-) $(ls -A "$mail/x" | grep -c fennimar-part-)"
TMPDIR="$mail/tmp" "$cli" join "$mail/Maildir" -d "$mail/out" -y < /dev/null > /dev/null 2>&1
check "the next join removes them" "0 " "$? $(ls -A "$mail/tmp")"
cmp -s "$mail/LARGE.BIN" "$mail/out/LARGE.BIN"
check "the next join, identical" 0 $?
"$cli" extract "$mail/Maildir" -d "$mail/x" < /dev/null > /dev/null 2>&1
check "the next extract removes them" "0 LARGE.Z00 LARGE.Z01" "$? $(ls -A "$mail/x" | xargs)"
rm -rf "$mail"

# Reasons that name what failed, for a user who may not read or write there
# (nobody, when the tests run as root).
r="$work/reasons" && mkdir -p "$r/Maildir/cur" "$r/w" "$r/ro" && chmod 755 "$work" "$r"
chmod 1777 "$r/w"
as_user=() && deny=000
[ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups) && deny=600
printf 'From a@b\n\nx\n' > "$r/inbox" && chmod "$deny" "$r/inbox"
/usr/bin/python3 "$writer" "$r/Maildir/cur/1" base64:../parts/DATA.Z0{0,2,3}
/usr/bin/python3 "$writer" "$r/Maildir/cur/2" base64:../parts/DATA.Z01
chmod "$deny" "$r/Maildir/cur/2"
long=$(printf 'N%.0s' {1..90})
for k in 0 1 2 3; do cp ../parts/DATA.Z0$k "$r/w/$long.Z0$k"; done
/usr/bin/python3 "$writer" "$r/long.eml" "base64:$r/w/$long".Z0{0,1,2,3} && rm "$r/w/$long".*
{
  printf 'MIME-Version: 1.0\n'
  for i in $(seq 20); do printf 'Content-Type: multipart/mixed; boundary=b%d\n\n--b%d\n' "$i" "$i"; done
  printf 'Content-Type: application/octet-stream; name="DATA.Z00"\n'
  printf 'Content-Transfer-Encoding: base64\n\n'
  base64 ../parts/DATA.Z00
} > "$r/deep.eml"
{
  printf 'MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n'
  for i in $(seq 10000); do printf -- '--b\n\nx\n'; done
  printf -- '--b\nContent-Type: application/octet-stream; name="DATA.Z00"\n'
  printf 'Content-Transfer-Encoding: base64\n\n'
  base64 ../parts/DATA.Z00
  printf -- '--b--\n'
} > "$r/wide.eml"
printf 'MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n--b\n' > "$r/c1.eml"
printf 'Content-Type: text/plain; name="\302\2332J.txt"\n\nx\n--b--\n' >> "$r/c1.eml"
chmod 555 "$r/ro"
while IFS='|' read -r what arguments expected; do
  # shellcheck disable=SC2086 # the arguments hold no spaces
  (cd "$r" && TMPDIR="$r/w" "${as_user[@]}" "$cli" $arguments < /dev/null > "$r/out.txt" 2>&1)
  if grep -qxF -- "$expected" "$r/out.txt"; then
    check "$what" 0 0
  else
    check "$what" "$expected" "$(cat "$r/out.txt")"
  fi
done << TABLE
unreadable mbox named, not taken for a part|join inbox -d $r/w/o -y|Permission denied
unreadable Maildir message named|join Maildir -d $r/w/o -y|Merge: Skipped: Maildir, cur/2: the message could not be read: Permission denied
extract into a read-only directory|extract Maildir -d ro|Skipped: DATA.Z00 (in Maildir, cur/1): could not be written: Permission denied
extract asks for a missing directory|extract c1.eml -d w/new -y|Extract: Directory does not exist, create? yes (--yes)
part nested too deeply|extract deep.eml -d w|Skipped: deep.eml: the message is nested too deeply or has too many parts to be read whole
part after 10000 parts|extract wide.eml -d w|Skipped: wide.eml: the message is nested too deeply or has too many parts to be read whole
90-character attachment name|join long.eml -d $r/w/o -y| Merge Complete
a terminal control in a name is not printed|extract c1.eml -d w|Skipped: ??2J.txt (in c1.eml): not a part file
extract of nothing there|extract none.eml -d w/none -y|Skipped: none.eml: Can not open file: No such file or directory
TABLE
check "extract of nothing there makes no directory" absent "$(ls -d "$r/w/none" 2>/dev/null || echo absent)"
chmod 700 "$r/ro"

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
"$work/bin/joinex" ../parts/DATA.Z00 < /dev/null > /dev/null 2> err.txt
check "joinex asks before it overwrites; no terminal is No" 1 $?
check "joinex offers no option it lacks" "Merge: Target File exists overwrite? no (no terminal to ask)" \
  "$(cat err.txt)"
mkdir "$work/x"
"$work/bin/joinex" ../parts/DATA.Z01 "$work/x" > /dev/null 2>&1
check "joinex into a directory" 0 $?
cmp -s "$work/DATA.BIN" "$work/x/DATA.BIN"
check "joinex directory copy identical" 0 $?
[ -e "$work/cfg" ] && check "joinex wrote no settings" absent present

cp ../parts/DATA.Z0* ../damaged/
damage ../damaged/DATA.Z02 300
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
