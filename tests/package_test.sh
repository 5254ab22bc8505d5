#!/usr/bin/env bash
# The Debian package: made with CPack from this build tree, unpacked into a
# scratch root, and run from there (versions, a split, joins with
# fennimar-cli and with joinex); its desktop entry, AppStream metadata,
# completion and part type checked with their own tools; lintian's errors
# and warnings.
# Usage: package_test.sh BUILD_DIR
set -u
build="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/cfg"
source "$(dirname "$0")/script_checks.sh"

if ! timeout 300 cpack --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/cpack.txt" 2>&1; then
  echo "FAIL: cpack: $(cat "$work/cpack.txt")"
  exit 1
fi
deb=$(ls "$work"/package/fennimar_*_amd64.deb)
check "package name" 1 "$(echo "$deb" | wc -l)"
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/fennimar ./usr/bin/fennimar-cli ./usr/bin/joinex ./usr/lib/fennimar/joinex \
  ./usr/share/fennimar/manual/index.html ./usr/share/icons/hicolor/128x128/apps/fennimar.png \
  ./usr/share/icons/hicolor/256x256/apps/fennimar.png \
  ./usr/share/icons/hicolor/scalable/apps/fennimar.svg \
  ./usr/share/applications/fennimar.desktop ./usr/share/mime/packages/fennimar-part.xml \
  ./usr/share/metainfo/org.example.fennimar.metainfo.xml ./usr/share/man/man1/fennimar.1.gz \
  ./usr/share/man/man1/fennimar-cli.1.gz ./usr/share/man/man1/joinex.1.gz \
  ./usr/share/bash-completion/completions/fennimar-cli ./usr/share/bash-completion/completions/joinex \
  ./usr/share/doc/fennimar/copyright; do
  check "packaged $path" 1 "$(grep -cx "$path" <<< "$listing")"
done
for exe in joinex.exe fennimar-cli.exe; do
  if [ -e "$build/windows/src/cli/$exe" ]; then
    check "packaged $exe" 1 "$(grep -cx "./usr/lib/fennimar/$exe" <<< "$listing")"
  fi
done
check "depends from dpkg-shlibdeps" 1 "$(dpkg-deb -f "$deb" Depends | grep -c 'libc6 (>= ')"

root="$work/root"
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
check "fennimar-cli --version" "fennimar-cli $version" "$("$root/usr/bin/fennimar-cli" --version)"
check "joinex --version" "joinex $version" "$("$root/usr/bin/joinex" --version)"

cd "$work"
head -c 300000 /dev/urandom > DATA.BIN
touch -d @1500000000 DATA.BIN
"$root/usr/bin/fennimar-cli" split DATA.BIN -s 100k -d parts -y < /dev/null > /dev/null 2>&1
check "split from the package" "DATA.Z00 DATA.Z01 DATA.Z02 DATA.sha256" "$(cd parts && echo *)"
"$root/usr/bin/fennimar-cli" join parts/DATA.Z01 -d joined -y < /dev/null > /dev/null 2>&1
check "join from the package" 0 $?
cmp -s DATA.BIN joined/DATA.BIN
check "joined copy identical" 0 $?
check "modification time" 1500000000 "$(stat -c %Y joined/DATA.BIN)"
mkdir x && "$root/usr/bin/joinex" parts/DATA.Z00 x < /dev/null > /dev/null 2>&1
check "joinex from the package" 0 $?
cmp -s DATA.BIN x/DATA.BIN
check "joinex copy identical" 0 $?

desktop-file-validate "$root/usr/share/applications/fennimar.desktop"
check "desktop-file-validate" 0 $?
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.fennimar.metainfo.xml" > appstream.txt 2>&1
check "appstreamcli validate" 0 $?
completion=$(bash -c 'source "$1"; COMP_WORDS=(fennimar-cli sp); COMP_CWORD=1; _fennimar_cli; echo "${COMPREPLY[*]}"' _ \
  "$root/usr/share/bash-completion/completions/fennimar-cli")
check "bash completion" "split" "$completion"
# Sources by their kind: saved mail and folders for extract, parts for joinex.
mkdir -p comp/Maildir && touch comp/in.mbox comp/a.eml comp/notes.txt comp/R.Z00
complete_in() {  # complete_in FILE WORD...: the completions of the last word
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); "_${1//-/_}"; printf "%s\n" "${COMPREPLY[@]}" | sort | xargs' _ \
    "$root/usr/share/bash-completion/completions/$1" "${@:2}"
}
check "extract completes mail" "comp/Maildir comp/a.eml comp/in.mbox" "$(complete_in fennimar-cli fennimar-cli extract comp/)"
check "joinex completes parts" "comp/Maildir comp/R.Z00" "$(complete_in joinex joinex comp/)"

# The part type as the desktop's tools tell it, from the package's own
# shared-mime-info file: by name, and by contents for a renamed part. A set
# of four parts starts 04 00, as another format's files do.
if command -v xdg-mime > /dev/null && command -v mimetype > /dev/null; then
  mkdir -p mime/mime/packages four
  cp "$root/usr/share/mime/packages/fennimar-part.xml" mime/mime/packages/
  update-mime-database mime/mime > /dev/null 2>&1
  "$root/usr/bin/fennimar-cli" split DATA.BIN -s 75k -d four -y < /dev/null > /dev/null 2>&1
  cp four/DATA.Z00 renamed.bin
  for file in four/DATA.Z00 four/DATA.Z03 renamed.bin; do
    check "xdg-mime of $file" application/x-fennimar-part \
      "$(XDG_DATA_HOME="$work/mime" XDG_DATA_DIRS=/usr/share xdg-mime query filetype "$file" 2> /dev/null)"
  done
  # Index 2 of a set of 1: no part, by its first two bytes alone.
  for i in $(seq 50); do printf '\001\002\003\004'; done > plain.bin
  check "xdg-mime of a file that is no part" application/octet-stream \
    "$(XDG_DATA_HOME="$work/mime" XDG_DATA_DIRS=/usr/share xdg-mime query filetype plain.bin 2> /dev/null)"
else
  echo "xdg-mime or mimetype is not installed: the part type's check is left out"
fi

if command -v lintian > /dev/null; then
  timeout 300 lintian --tag-display-limit 0 "$deb" > lintian.txt 2>&1
  check "lintian errors and warnings" "" "$(grep -E '^[EW]: ' lintian.txt)"
else
  echo "lintian is not installed: its check is left out"
fi

finish "package"
