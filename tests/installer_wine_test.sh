#!/usr/bin/env bash
# The Windows installer and zip, made by the build's own packaging step and
# tried in a fresh wine prefix: a silent install for the current user (the
# programs, the manual, the Start-menu entry, the part files' association and
# the uninstall entry, read back with `reg query`; the installed programs
# run), its silent uninstall (nothing left but the user's settings, and an
# extension another program took over since), and an install for all users
# (wine's user has administrator rights) removed with the settings.
# Usage: installer_wine_test.sh BUILD/windows_packages.cmake VERSION
set -u
version="$2"
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -e "$1" ]; then
  echo "SKIP: $1 is missing: fennimar.exe or makensis (Debian's nsis) was not there"
  exit 77
fi
packages=$(realpath "$1")
work=$(mktemp -d /var/tmp/fennimar-installer-wine.XXXXXX) || exit 1
source "$here/wine_session.sh"
source "$here/script_checks.sh"
cd "$work"

start=$(date +%s%N)
if ! cmake -DOUTPUT_DIR="$work/out" -P "$packages" > make.txt 2>&1; then
  echo "FAIL: making the packages: $(cat make.txt)"
  exit 1
fi
echo "Packages made in $((($(date +%s%N) - start) / 1000000)) ms:" \
  "$(cd out && stat -c '%n %s bytes' -- * | paste -sd ';')"
setup="out/fennimar-setup-$version.exe"
folder="fennimar-$version-windows"
expected=$(printf '%s\n' "$folder/" "$folder/README.txt" "$folder/fennimar-cli.exe" \
  "$folder/fennimar.exe" "$folder/joinex" "$folder/joinex.exe" "$folder/manual/" \
  $(cd "$here/../docs/manual" && printf "$folder/manual/%s\n" *) | LC_ALL=C sort)
check "zip listing" "$expected" "$(cmake -E tar tf "out/$folder.zip" | LC_ALL=C sort)"

# reg_value KEY NAME: one value of the registry as `reg query` shows it (the
# default value for NAME ""), or nothing when it is not there.
reg_value() {
  local which=(/v "$2")
  [ -z "$2" ] && which=(/ve)
  wine reg query "$1" "${which[@]}" 2> /dev/null | tr -d '\r' |
    sed -n 's/^    .*    REG_[A-Z_]*    //p'
}
# uninstall ROOT [SWITCH...]: runs the entry's QuietUninstallString as the
# system would, then waits, bounded, for its copy in %TEMP% to end.
uninstall() {
  local args
  eval "args=($(reg_value "$1\\$uninstall_key" QuietUninstallString))"
  wine "${args[@]}" "${@:2}"
  check "$1: uninstaller started" 0 $?
  timeout 60 wineserver -w
}
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Fennimar'
classes='Software\Classes'
# The profile of wine's user, as the prefix's creation laid it out.
drive_c="$WINEPREFIX/drive_c"
user=$(ls "$drive_c/users" | grep -vx Public | head -n 1)
appdata="$drive_c/users/$user/AppData/Roaming"
windir='C:\users\'"$user"'\AppData\Local\Programs\Fennimar'
settings="$appdata/Fennimar/FENNIMAR.INI"
mkdir -p "$appdata/Fennimar" && printf '[Fennimar]\r\nWorkDir=C:\\parts\r\n' > "$settings"

# For the current user: %LOCALAPPDATA%\Programs\Fennimar and HKCU.
timeout 120 wine "$setup" /S /CurrentUser
check "per-user install" 0 $?
dir="$drive_c/users/$user/AppData/Local/Programs/Fennimar"
check "installed files" "fennimar-cli.exe fennimar.exe joinex joinex.exe manual uninstall.exe" \
  "$(cd "$dir" && echo *)"
check "installed manual" "$(cd "$here/../docs/manual" && echo *)" "$(cd "$dir/manual" && echo *)"
menu_user="$appdata/Microsoft/Windows/Start Menu/Programs"
check "Start-menu entry" 1 "$(ls "$menu_user/Fennimar.lnk" | wc -l)"
check ".Z00 and .Z99 are part files" "Fennimar.Part Fennimar.Part" \
  "$(reg_value "HKCU\\$classes\\.Z00" "") $(reg_value "HKCU\\$classes\\.Z99" "")"
check "open command" "\"$windir\\fennimar.exe\" \"%1\"" \
  "$(reg_value "HKCU\\$classes\\Fennimar.Part\\shell\\open\\command" "")"
check "part file icon" "$windir\\fennimar.exe,0" \
  "$(reg_value "HKCU\\$classes\\Fennimar.Part\\DefaultIcon" "")"
for value in "DisplayName Fennimar" "DisplayVersion $version" "Publisher The Fennimar developers" \
  "DisplayIcon $windir\\fennimar.exe,0" "InstallLocation $windir" \
  "UninstallString \"$windir\\uninstall.exe\" /CurrentUser" \
  "QuietUninstallString \"$windir\\uninstall.exe\" /CurrentUser /S" \
  "NoModify 0x1" "NoRepair 0x1"; do
  check "uninstall entry: ${value%% *}" "${value#* }" \
    "$(reg_value "HKCU\\$uninstall_key" "${value%% *}")"
done
kib=$(du -sk --apparent-size "$dir" | cut -f1)
size=$(($(reg_value "HKCU\\$uninstall_key" EstimatedSize)))
check "estimated size ($size KiB, files $kib KiB)" 1 $((size >= kib * 95 / 100 && size <= kib + 1))
check "nothing for all users" "" "$(reg_value "HKLM\\$uninstall_key" DisplayName)"

# The installed programs run from where they were put.
check "fennimar.exe --version" "fennimar $version" \
  "$(timeout 60 wine "$dir/fennimar.exe" --version < /dev/null 2> /dev/null | tr -d '\r')"
head -c 250000 /dev/urandom > DATA.BIN
timeout 120 wine "$dir/fennimar-cli.exe" split DATA.BIN -s 100k -d parts -y < /dev/null > /dev/null 2>&1
check "installed fennimar-cli.exe splits" "0 DATA.Z00 DATA.Z01 DATA.Z02 DATA.sha256" "$? $(cd parts && echo *)"
timeout 120 wine "$dir/fennimar-cli.exe" join 'parts\DATA.Z02' -d joined -y < /dev/null > /dev/null 2>&1
check "installed fennimar-cli.exe joins" 0 $?
cmp -s DATA.BIN joined/DATA.BIN
check "joined file identical" 0 $?

# Another program takes .Z05 over before the uninstall: it keeps it.
wine reg add "HKCU\\$classes\\.Z05" /ve /d Other.Type /f > /dev/null 2>&1
uninstall HKCU
check "per-user folder removed" "" "$(ls -d "$dir" 2> /dev/null)"
check "Start-menu entry removed" "" \
  "$(ls "$menu_user" | grep -i fennimar)"
check "association removed" "||" "$(reg_value "HKCU\\$classes\\.Z00" "")|$(reg_value \
  "HKCU\\$classes\\.Z99\\OpenWithProgids" Fennimar.Part)|$(reg_value \
  "HKCU\\$classes\\Fennimar.Part\\shell\\open\\command" "")"
check "another program's extension kept" "Other.Type" "$(reg_value "HKCU\\$classes\\.Z05" "")"
check "uninstall entry removed" "" "$(reg_value "HKCU\\$uninstall_key" DisplayName)"
check "settings kept" "WorkDir=C:\\parts" "$(sed -n 2p "$settings" | tr -d '\r')"

# For all users: Program Files and HKLM; removed with the settings.
timeout 120 wine "$setup" /S
check "install for all users" 0 $?
program_files="$drive_c/Program Files"
check "all users: programs" "fennimar-cli.exe fennimar.exe joinex.exe uninstall.exe" \
  "$(cd "$program_files/Fennimar" && echo *.exe)"
check "all users: open command" '"C:\Program Files\Fennimar\fennimar.exe" "%1"' \
  "$(reg_value "HKLM\\$classes\\Fennimar.Part\\shell\\open\\command" "")"
check "all users: entry" 'C:\Program Files\Fennimar' \
  "$(reg_value "HKLM\\$uninstall_key" InstallLocation)"
menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
check "all users: Start-menu entry" 1 "$(ls "$menu/Fennimar.lnk" | wc -l)"
uninstall HKLM /REMOVESETTINGS
check "all users: folder and Start-menu entry removed" "" \
  "$(ls -d "$program_files/Fennimar" "$menu/Fennimar.lnk" 2> /dev/null)"
check "all users: keys removed" "||" "$(reg_value "HKLM\\$classes\\.Z42" "")|$(reg_value \
  "HKLM\\$classes\\Fennimar.Part" "")|$(reg_value "HKLM\\$uninstall_key" DisplayName)"
check "settings removed on request" "" "$(ls -d "$appdata/Fennimar" 2> /dev/null)"

finish "installer_wine"
