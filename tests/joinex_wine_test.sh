#!/usr/bin/env bash
# joinex.exe, the Windows joiner, run under wine on sets written by
# fennimar-cli split and by the independent writer: a round trip with a
# non-ASCII name, a missing part, a checksum error, lost parts rebuilt from
# recovery files, hostile stored names and
# the start without arguments (a double click on a stick, beside the parts).
# Usage: joinex_wine_test.sh FENNIMAR_CLI JOINEX_EXE
set -u
cli="$1"
exe="$2"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/cfg"
source "$here/wine_session.sh"
source "$here/script_checks.sh"
# Linked statically: it needs no DLL that every Windows does not have.
check "imported DLLs" "KERNEL32.dll msvcrt.dll " "$(system_dlls "$exe")"
joinex() {  # joinex PART DIRECTORY [--keep]: joinex.exe with no console, into a new directory
  mkdir -p "$2"
  timeout 120 wine "$exe" "$@" < /dev/null > out.txt 2> err.txt
}

cd "$work"
if ! timeout 120 wine "$exe" --version < /dev/null > version.txt 2>&1; then
  echo "FAIL: joinex.exe does not start under wine: $(cat version.txt)"
  exit 1
fi
check "version" "joinex $(head -n 1 < <("$cli" --version | sed 's/^fennimar-cli //'))" \
  "$(tr -d '\r' < version.txt)"

name="Größe-日本.bin"
head -c 350000 /dev/urandom > "$name"
touch -d @1500000000 "$name"
"$cli" split "$name" -s 100k -d parts -y < /dev/null > /dev/null 2>&1
check "split: four parts and the manifest" "5" "$(ls parts | wc -l)"

joinex 'parts\Größe-日本.Z02' out
check "non-ASCII name into a directory" 0 $?
cmp -s "$name" "out/$name"
check "joined copy identical" 0 $?
check "modification time" 1500000000 "$(stat -c %Y "out/$name" 2> /dev/null)"
check "last line" " Merge Complete" "$(tail -n 1 out.txt | tr -d '\r')"

cp -r parts missing && rm "missing/Größe-日本.Z03"
joinex 'missing\Größe-日本.Z00' m1
check "missing part" 1 $?
check "missing part named" 1 "$(grep -c 'Größe-日本.Z03' err.txt)"
check "missing part status" " Merge Aborted" "$(tail -n 1 out.txt | tr -d '\r')"
check "incomplete result deleted" "" "$(ls m1)"

cp -r parts damaged
damage "damaged/Größe-日本.Z01" 500
joinex 'damaged\Größe-日本.Z00' d1
check "checksum error" 1 $?
check "checksum message" 1 "$(grep -c "^Merged file may be corrupted: Checksum error for file .*Z01 should be" err.txt)"
# The manifest sees the damage too: in the part and in the joined data.
check "digests named" 2 "$(grep -c '^Größe-日本.Z01\|^Größe-日本.bin (the joined file)' err.txt)"
check "abort message" "Abort:  3 checksum errors, merge aborted" "$(tail -n 1 err.txt | tr -d '\r')"
check "damaged result deleted" "" "$(ls d1)"
joinex 'damaged\Größe-日本.Z00' d2 --keep
check "checksum error with --keep" 1 $?
check "kept with --keep" "$name" "$(ls d2)"

# Recovery files heal: with parts 00 and 07 deleted, the join started from
# a recovery file rebuilds both.
"$cli" split "$name" -s 20k -r 2 -d healing -y < /dev/null > /dev/null 2>&1
rm "healing/Größe-日本.Z00" "healing/Größe-日本.Z07"
joinex 'healing\Größe-日本.R01' h1
check "parts 00 and 07 lost" 0 $?
cmp -s "$name" "h1/$name"
check "rebuilt copy identical" 0 $?
check "rebuilt parts told" 2 "$(grep -c 'Part [07] was rebuilt from the recovery parts' err.txt)"

# Stored names that reach out of the chosen folder end up inside it; a
# device's name is refused before anything is created.
head -c 250000 /dev/urandom > SOURCE
for stored in '..\..\EVIL.TXT' 'C:\WINDOWS\EVIL.TXT' '\\host\share\EVIL.TXT'; do
  rm -rf hostile safe && mkdir hostile
  python3 "$here/merge_part_writer.py" SOURCE hostile 100000 "$stored" > /dev/null
  joinex 'hostile\EVIL.Z00' 'safe'
  check "hostile name $stored" 0 $?
  check "hostile name $stored stays in the folder" "EVIL.TXT" "$(ls safe)"
  cmp -s SOURCE safe/EVIL.TXT
  check "hostile name $stored copy identical" 0 $?
done
check "nothing written outside" "" \
  "$(find "$(dirname "$work")" "$WINEPREFIX/drive_c" -maxdepth 2 -iname EVIL.TXT 2> /dev/null)"
rm -rf hostile safe && mkdir hostile
python3 "$here/merge_part_writer.py" SOURCE hostile 100000 'C:\CON' > /dev/null
for part in hostile/CON.Z0*; do mv "$part" "hostile/DEVICE.${part##*.}"; done
joinex 'hostile\DEVICE.Z00' safe
check "device name refused" 1 $?
check "device name message" "$(windows_path "$work/hostile/DEVICE.Z00"): Invalid Component File, Merge aborted" \
  "$(head -n 1 err.txt | tr -d '\r')"
check "device name, nothing created" "" "$(ls safe)"

# A double click on a stick: joinex.exe in the root of drive E:, no
# arguments, the sets beside it; Enter closes the window.
mkdir stick && cp parts/* stick/ && cp "$exe" stick/joinex.exe
ln -s "$work/stick" "$WINEPREFIX/dosdevices/e:"
click() { printf '\n' | timeout 120 wine 'E:\joinex.exe' > out.txt 2> err.txt; }
click
check "double click" 0 $?
cmp -s "$name" "stick/$name"
check "double click joined into the root beside the program" 0 $?
check "double click target" " Target File: E:\\$name" "$(grep 'Target File' out.txt | tr -d '\r')"
check "double click waits for Enter" "Press Enter to close this window." "$(tail -n 1 out.txt | tr -d '\r')"
click
check "double click, existing result" 1 $?
check "asks before overwriting" 1 "$(grep -c 'Target File exists overwrite?' err.txt)"
cmp -s "$name" "stick/$name"
check "existing result untouched" 0 $?
rm stick/*.Z0*
click
check "double click without parts" 1 $?
check "no parts named" 1 "$(grep -c 'no first part (NAME.Z00)' err.txt)"
rm "stick/$name" && cp healing/* stick/
click
check "double click, a set without part 00" 0 $?
cmp -s "$name" "stick/$name"
check "double click rebuilt part 00 beside the program" 0 $?

# Drive E: made a removable drive (wine reads drive types when its server
# starts): a missing first part there is waited for.
timeout 60 wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f > /dev/null 2>&1
timeout 30 wineserver -k 2> /dev/null
timeout 120 wine "$exe" 'E:\OTHER.Z00' < /dev/null > out.txt 2> err.txt
check "first part awaited on a removable drive" 1 $?
check "insert question" "Merge: Please insert floppy disc with file E:\OTHER.Z00 no (no terminal to ask)" \
  "$(head -n 1 err.txt | tr -d '\r')"

finish "joinex.exe under wine"
