#!/usr/bin/env bash
# fennimar-cli split from a terminal's point of view: options, questions
# without a terminal, exit status, and the parts it leaves.
set -u
cli="$1"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server_pids=""
trap 'for p in $server_pids; do kill "$p" 2> /dev/null; done; rm -rf "$work"' EXIT
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
check "parts and manifest written" "DATA.Z00 DATA.Z01 DATA.Z02 DATA.sha256" "$(cd parts && echo *)"
(cd parts && sha256sum -c --quiet --ignore-missing DATA.sha256)
check "sha256sum checks the parts" 0 $?
check "last line" " Complete" "$(tail -n 1 out.txt)"
check "dividing text" "Dividing $work/DATA.BIN on  3 parts" "$(sed -n 3p out.txt)"
check "first part size" 102400 "$(stat -c %s parts/DATA.Z00)"
check "no Writing: lines when output is no terminal" 0 "$(grep -c Writing: out.txt)"
"$cli" split DATA.BIN -s 100k -d plain -y --no-manifest < /dev/null > out.txt 2> err.txt
check "--no-manifest" "0 DATA.Z00 DATA.Z01 DATA.Z02" "$? $(cd plain && echo *)"
cmp -s parts/DATA.Z01 plain/DATA.Z01
check "the parts are the same without the manifest" 0 $?
# The Recovery setting gives the count when -r is absent; -r 0 overrides it.
mkdir -p recocfg/fennimar && printf '[FENNIMAR]\nRecovery=1\n' > recocfg/fennimar/FENNIMAR.INI
XDG_CONFIG_HOME="$work/recocfg" "$cli" split DATA.BIN -s 100k -d healing -y < /dev/null > /dev/null 2>&1
XDG_CONFIG_HOME="$work/recocfg" "$cli" split DATA.BIN -s 100k -d bare -y -r 0 < /dev/null > /dev/null 2>&1
check "Recovery setting, and -r 0" "DATA.R00 0" "$(cd healing && echo DATA.R*) $(ls bare | grep -c '[.]R')"

# The GNU forms of options and their values, -- before a name that starts
# with -, and a directory of 300 characters.
cp DATA.BIN ./-DATA.BIN
i=0
for form in "--size=100k --dir=" "-s100k -d" "-s 102400 -d " "--size 100KiB --dir "; do
  i=$((i + 1))
  # shellcheck disable=SC2086 # the form is words
  "$cli" split $form"g$i" -y -- -DATA.BIN < /dev/null > /dev/null 2>&1
  check "split $form" "0 -DATA.Z00 -DATA.Z01 -DATA.Z02 -DATA.sha256" "$? $(ls "g$i" | xargs)"
done
long="$work/$(printf 'p%.0s' {1..150})/$(printf 'q%.0s' {1..150})"
mkdir -p "$long"
"$cli" split DATA.BIN -s 100k -d "$long" -y < /dev/null > /dev/null 2>&1
check "split into a directory of ${#long} characters" "0 DATA.Z00 DATA.Z01 DATA.Z02 DATA.sha256" \
  "$? $(ls "$long" | xargs)"
rm -rf g? ./-DATA.BIN "$work/ppp"*

# Sizes that do not read, or lie below the smallest part, are usage errors
# that name the option and the value; nothing is split.
for size in 12x 1.5m 99999999999999999999 -5 100 1085; do
  "$cli" split DATA.BIN -s "$size" -d bad -y > out.txt 2> err.txt
  check "size $size" "2 fennimar-cli: invalid size '$size' for --size" "$? $(head -n 1 err.txt | sed 's/\. The.*//')"
done
check "below the smallest part" "fennimar-cli: invalid size '1085' for --size. The smallest part size is 1086 bytes." \
  "$(head -n 1 err.txt)"
[ -e bad ] && check "no directory for a refused size" absent present

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

"$cli" split DATA.BIN -s 100k -d "/$(printf 'd%.0s' {1..4097})" -y > /dev/null 2>&1
check "directory over 4096 characters" 2 $?
"$cli" split DATA.BIN -s 100k -d "" -y > /dev/null 2>&1
check "empty directory" 2 $?

# A missing return address names the key to set, as no defaults dialog is here.
mkdir -p mailcfg/fennimar
printf '[FENNIMAR]\nSMTPHost=127.0.0.1:9\n' > mailcfg/fennimar/FENNIMAR.INI
XDG_CONFIG_HOME="$work/mailcfg" "$cli" split DATA.BIN -s 100k -d mailed -y --mail-to a@localhost \
  < /dev/null > out.txt 2> err.txt
status=$?
grep -qxF "fennimar-cli: set MyAddress in section [FENNIMAR] of $work/mailcfg/fennimar/FENNIMAR.INI" err.txt
check "no return address names its key" "1 0" "$status $?"

# A misspelt security sends nothing in clear: it is told before any part.
printf '[FENNIMAR]\nSMTPHost=127.0.0.1:9\nMyAddress=me@localhost\nSMTPSecurity=STARTLS\n' > mailcfg/fennimar/FENNIMAR.INI
XDG_CONFIG_HOME="$work/mailcfg" "$cli" split DATA.BIN -s 100k -d mailed -y --mail-to a@localhost \
  < /dev/null > out.txt 2> err.txt
check "misspelt security" 1 $?
check "no part for a misspelt security" "" "$(ls mailed 2> /dev/null)"
grep -q "SMTPSecurity=STARTLS in $work/mailcfg/fennimar/FENNIMAR.INI is not one of NONE, STARTTLS, TLS" \
  err.txt || check "misspelt security named" named "$(cat err.txt)"

# A real SMTP server on loopback for the mailing splits below:
# start_server DIR OPTION... stores into DIR and sets $port.
start_server() {
  mkdir -p "$1"
  /usr/bin/python3 "$here/smtp_test_server.py" "$@" > "$1.port" 2> /dev/null &
  server_pids="$server_pids $!"
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/^PORT //p' "$1.port")
    [ -n "$port" ] && break
    sleep 0.1
  done
  printf '[FENNIMAR]\nSMTPHost=127.0.0.1:%s\nMyAddress=me@localhost\n' "$port" > mailcfg/fennimar/FENNIMAR.INI
}
mailsplit() { XDG_CONFIG_HOME="$work/mailcfg" timeout 60 "$cli" split DATA.BIN --mail-to a@localhost "$@" < /dev/null; }
joined_mail() {  # joined_mail DIR: joins the messages in DIR and compares with DATA.BIN
  rm -rf joined
  timeout 60 "$cli" join "$1"/message-*.eml -d joined -y < /dev/null > /dev/null 2>&1 &&
    cmp -s DATA.BIN joined/DATA.BIN
}

# A server's size limit below the messages is told before any part is
# written or any message begun; "-s mail" then takes the size that fits.
start_server limited --size-limit 60000
mailsplit -s 100k -d sized -y > out.txt 2> err.txt
check "messages over the limit" 1 $?
check "no part over the limit" "" "$(ls sized)"
check "no MAIL over the limit" "" "$(grep MAIL limited/session.log)"
fits=$(sed -n 's/^The largest part size that fits is \([0-9]*\) bytes.$/\1/p' err.txt)
grep -q "larger than the mail server's limit of 60000 bytes" err.txt && [ -n "$fits" ]
check "limit and fitting size told" 0 $?
mailsplit -s mail -d sized -y > out.txt 2> err.txt
check "-s mail" 0 $?
check "-s mail takes the fitting size" "$fits" "$(stat -c %s sized/DATA.Z00)"
check "a message per part and the manifest" "$(ls sized | wc -l)" "$(ls limited/message-*.eml | wc -l)"
joined_mail limited
check "the recipient joins what -s mail sent" 0 $?
start_server nolimit
mailsplit -s mail -d sized -y > out.txt 2> err.txt
check "-s mail without SIZE" "1 Split: The mail server announces no size limit for its messages." \
  "$? $(head -n 1 err.txt)"

# A mailing that fails at part 3 of 5 names the one command that finishes
# the job; it mails parts 3 to 5 only, and the recipient joins them all.
start_server failing --fail-message 3
mkdir resumed
mailsplit -s 60000 -d resumed > out.txt 2> err.txt
check "failed mailing" 1 $?
check "parts up to the failed one" "DATA.Z00 DATA.Z01 DATA.Z02" "$(cd resumed && echo *)"
resume=$(sed -n 's/^  fennimar-cli split /split /p' err.txt)
check "the command told" "split $work/DATA.BIN -d $work/resumed -s 60000 --mail-to a@localhost --from-part 3" "$resume"
XDG_CONFIG_HOME="$work/mailcfg" timeout 60 "$cli" $resume < /dev/null > out.txt 2> err.txt
check "resumed mailing" 0 $?
check "parts 3 to 5 mailed again" "Mailing part 3 Mailing part 4 Mailing part 5 6" \
  "$(grep -o '^Mailing part [0-9]' out.txt | tr '\n' ' ')$(ls failing/message-*.eml | wc -l)"
joined_mail failing
check "the recipient joins both runs' messages" 0 $?

# Parts of another file of the same name, size and time are not this
# split's: nothing is mailed.
mkdir -p other && head -c 250000 /dev/urandom > other/DATA.BIN && touch -r DATA.BIN other/DATA.BIN
"$cli" split other/DATA.BIN -s 60000 -d foreign -y < /dev/null > /dev/null 2>&1
mailsplit -s 60000 -d foreign --from-part 2 > out.txt 2> err.txt
check "foreign parts" 1 $?
check "foreign parts told" "Split: A file on disk under a part's name is not this split's; nothing was mailed $work/foreign/DATA.Z00 " \
  "$(head -n 2 err.txt | tr '\n' ' ')"
check "nothing mailed for foreign parts" 6 "$(ls failing/message-*.eml | wc -l)"
rm -rf joined other foreign

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

# A medium's size is a cap: a file smaller than one FAT32 part is one part.
"$cli" split DATA.BIN -s fat32 -d stick -y < /dev/null > /dev/null 2>&1
check "-s fat32 of a small file" "0 DATA.Z00 DATA.sha256" "$? $(ls stick | xargs)"

"$cli" --help > /dev/null
check "help" 0 $?
"$cli" > out.txt 2> err.txt
check "no command: usage on standard error" "2 0 Usage:" "$? $(wc -c < out.txt) $(head -c 6 err.txt)"
"$cli" split --bogus > /dev/null 2>&1
check "usage error" 2 $?

echo "$(( failures == 0 ? 1 : 0 )) passed, $failures failed"
[ "$failures" -eq 0 ]
