# The wine session of a test script that runs Windows programs, sourced once
# `work` names the script's temporary directory: a prefix of the run's own
# inside it (made here; that first start is the slow one), wine's server
# directory beside it, no display. When the script ends the prefix's server
# is ended, `after_wine` runs if the script defined it, and the directory
# goes. Without wine the script is skipped.
if ! command -v wine > /dev/null; then
  echo "SKIP: wine is not installed (scripts/install-deps.sh installs it)"
  rm -rf "$work"
  exit 77
fi
mkdir -p "$work/tmp"
# Without winemenubuilder, shortcuts and file types made in the prefix stay
# there instead of turning into menu entries and MIME types in $HOME.
export WINEPREFIX="$work/prefix" TMPDIR="$work/tmp" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
end_wine_session() {
  timeout 30 wineserver -k 2> /dev/null
  if declare -F after_wine > /dev/null; then after_wine; fi
  rm -rf "$work"
}
trap end_wine_session EXIT
timeout 300 wineboot -i > /dev/null 2>&1

# system_dlls EXE: the DLLs a Windows program imports, sorted, on one line.
system_dlls() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | LC_ALL=C sort | tr '\n' ' '
}
# windows_path PATH: a Linux path as wine's programs see it (drive Z:).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
