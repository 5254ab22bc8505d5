#!/usr/bin/env bash
# fennimar-cli split from a terminal's point of view: options, questions
# without a terminal, exit status, and the parts it leaves.
set -u
cli="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
cd "$work"
head -c 250000 /dev/urandom > DATA.BIN

"$cli" split DATA.BIN -s 100k -d parts < /dev/null > out.txt 2> err.txt
check "no terminal answers No to the directory question" 1 $?
check "nothing created" "DATA.BIN err.txt out.txt" "$(echo *)"
[ -d parts ] && check "parts directory" absent present
grep -q "Directory does not exist, create?" err.txt || check "question shown" shown missing

"$cli" split DATA.BIN -s 100k -d parts -y < /dev/null > out.txt 2> err.txt
check "split with --yes" 0 $?
check "parts written" "DATA.Z00 DATA.Z01 DATA.Z02" "$(cd parts && echo *)"
check "last line" " Complete" "$(tail -n 1 out.txt)"
check "dividing text" "Dividing $work/DATA.BIN on  3 parts" "$(sed -n 3p out.txt)"
check "first part size" 102400 "$(stat -c %s parts/DATA.Z00)"

"$cli" split DATA.BIN -s 12x -y > out.txt 2> err.txt
check "bad size" 1 $?
check "bad size message, once" "Split: Digit expected
fennimar-cli: nothing was split" "$(cat err.txt)"

"$cli" split DATA.BIN -s 1085 -d parts -y > out.txt 2> err.txt
check "too small" 1 $?
check "too small message" "Split: Division size should be greater than 1000 bytes" "$(cat err.txt)"

"$cli" split missing.bin -d nx -y > out.txt 2> err.txt
check "missing source" 1 $?
check "missing source message" "Can not open file: $work/missing.bin
No such file or directory" "$(cat err.txt)"
[ -e nx ] && check "no directory for a missing source" absent present

# Another file of the same stem: its parts are replaced only when allowed,
# and none of them is left to join with the new set.
mkdir -p stems
head -c 300000 /dev/urandom > stems/data.2025.tar.gz
head -c 250000 /dev/urandom > stems/data.2026.tar.gz
"$cli" split stems/data.2025.tar.gz -s 50k -y < /dev/null > /dev/null 2>&1
before=$(cd stems && md5sum data.Z*)
"$cli" split stems/data.2026.tar.gz -s 100k < /dev/null > /dev/null 2> err.txt
check "another file's parts, no terminal" 1 $?
check "the old set untouched" "$before" "$(cd stems && md5sum data.Z*)"
grep -q "Parts of another file (data.2025.tar.gz) are in this directory; replace them?" err.txt ||
  check "question shown" shown missing
"$cli" split stems/data.2026.tar.gz -s 100k -y < /dev/null > /dev/null 2>&1
check "another file's parts with --yes" 0 $?
check "only the new set" "data.Z00 data.Z01 data.Z02" "$(cd stems && echo data.Z*)"
"$cli" join stems/data.Z00 -d joined -y < /dev/null > /dev/null 2>&1
cmp -s stems/data.2026.tar.gz joined/data.2026.tar.gz
check "the set left joins to the new file" 0 $?
rm -rf stems joined

"$cli" split DATA.BIN -s 100k -d "/$(printf 'd%.0s' {1..100})" -y > /dev/null 2>&1
check "directory over 99 characters" 2 $?
"$cli" split DATA.BIN -s 100k -d "" -y > /dev/null 2>&1
check "empty directory" 2 $?

# A misspelt security sends nothing in clear: it is told before any part.
mkdir -p mailcfg/fennimar
printf '[FENNIMAR]\nSMTPHost=127.0.0.1:9\nMyAddress=me@localhost\nSMTPSecurity=STARTLS\n' > mailcfg/fennimar/FENNIMAR.INI
XDG_CONFIG_HOME="$work/mailcfg" "$cli" split DATA.BIN -s 100k -d mailed -y --mail-to a@localhost \
  < /dev/null > out.txt 2> err.txt
check "misspelt security" 1 $?
check "no part for a misspelt security" "" "$(ls mailed 2> /dev/null)"
grep -q "SMTPSecurity=STARTLS in $work/mailcfg/fennimar/FENNIMAR.INI is not one of NONE, STARTTLS, TLS" \
  err.txt || check "misspelt security named" named "$(cat err.txt)"

# Two splits of same-named files into one directory at the same time: each
# either completes or says why; the set left behind joins to one of them.
mkdir -p a b same
head -c $((24 * 1048576)) /dev/urandom > a/SAME.BIN
head -c $((24 * 1048576)) /dev/urandom > b/SAME.BIN
"$cli" split a/SAME.BIN -s 1m -d same -y < /dev/null > /dev/null 2> a.err & pa=$!
"$cli" split b/SAME.BIN -s 1m -d same -y < /dev/null > /dev/null 2> b.err & pb=$!
wait $pa; ra=$?
wait $pb; rb=$?
for r in "$ra a" "$rb b"; do
  [ "${r% *}" = 0 ] || grep -q "Another split or merge is writing into this directory" "${r#* }.err"
  check "concurrent split ${r#* } completed or told why" 0 $?
done
"$cli" join same/SAME.Z00 -d joined -y < /dev/null > /dev/null 2>&1
check "the set left joins" 0 $?
{ [ "$ra" = 0 ] && cmp -s a/SAME.BIN joined/SAME.BIN; } || { [ "$rb" = 0 ] && cmp -s b/SAME.BIN joined/SAME.BIN; }
check "to a file that was split" 0 $?
rm -rf a b same joined

# A part name that holds a file the user may not write: the split stops
# there, as writing into it would, and the file stays. Root writes any file,
# so then the split runs as nobody.
mkdir -m 777 guarded
head -c 5000 /dev/urandom > guarded/G.DOC
echo protected > guarded/G.Z01
chmod 444 guarded/G.Z01
as_user=()
if [ "$(id -u)" = 0 ]; then
  chmod 755 "$work"
  chown nobody guarded/G.DOC guarded/G.Z01
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
"${as_user[@]}" "$cli" split guarded/G.DOC -s 2000 -d guarded -y < /dev/null > /dev/null 2> err.txt
check "read-only part name" 1 $?
check "read-only part name message" "Split: Parts of another file (G.Z01) are in this directory; replace them? yes (--yes)
Can not open: $work/guarded/G.Z01
Permission denied" "$(cat err.txt)"
check "read-only part kept" protected "$(cat guarded/G.Z01)"
rm -rf guarded

"$cli" --help > /dev/null
check "help" 0 $?
"$cli" split --bogus > /dev/null 2>&1
check "usage error" 2 $?

echo "$(( failures == 0 ? 1 : 0 )) passed, $failures failed"
[ "$failures" -eq 0 ]
