#!/usr/bin/env bash
# Installs, from Debian's packages, whatever Fennimar's build, tests and
# benchmarks need and this machine lacks; with --run, only what building and
# running the programs needs; with --windows-libraries, only the Windows
# programs' libraries (below); with --linux-libraries, only the static
# libraries of the Linux programs. Needs root (or sudo) when something is missing;
# does nothing otherwise.
set -euo pipefail
shopt -s inherit_errexit
run_packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev                              # the desktop program
  libssl-dev                                   # TLS for mail
  libsecret-1-dev                              # the desktop keyring
  libcli11-dev                                 # fennimar-cli's option parser (headers only)
  nasm                                         # ISA-L's assembly (the recovery files' code)
)
packages=(
  "${run_packages[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev   # tests and micro-benchmarks
  ccache                                       # scripts/test.sh: rebuilds reuse earlier compiles
  libgtk-3-dev                                 # GUI tests ask GTK what its file dialog lists
  xvfb xauth openbox x11-utils xdotool x11-apps imagemagick  # GUI tests and screenshots
  python3 python3-aiosmtpd                     # a real SMTP server for the mail tests
  mpack s-nail                                 # other mail programs whose messages the parser reads
  openssl                                      # the tests' certificates
  gnome-keyring dbus-x11                       # the desktop keyring's test session
  postfix                                      # smtp-sink, the mail benchmark's server
  dovecot-imapd                                # a real IMAP server for the mailbox tests (run
                                               # by the test on loopback; its service unused)
  clang lld libclang-rt-dev                    # fuzz targets
  clang-format                                 # the formatting check
  time bc                                      # benchmarks
  par2                                         # the parity tool the recovery benchmark runs beside us
  dosfstools                                   # a vfat image for the drive tests
  g++-mingw-w64-x86-64 wine wine64             # the Windows programs and their tests under wine
  libz-mingw-w64-dev                           # zlib for wxWidgets' Windows port
  nsis                                         # the Windows installer (scripts/package.sh)
  file lintian appstream desktop-file-utils    # the Debian package and its checks
  xdg-utils libfile-mimeinfo-perl             # the part type as xdg-mime tells it
  python3-pyatspi at-spi2-core                 # the windows as a screen reader reads them
  librsvg2-bin                                 # scripts/render_icons.sh: the icon's PNG sizes
)
# Libraries for the Windows programs that Debian has no MinGW build of:
# OpenSSL (the programs' mail), and wxWidgets' Windows port with the libpng
# it draws its pictures with (the desktop program). Each is built once per
# machine from Debian's own source packages, statically, into a cache
# outside the clone named after their versions and the tool chain;
# /var/cache/fennimar/openssl-x86_64-w64-mingw32 and wx-msw-x86_64-w64-mingw32
# point at the ones in use (CMakeLists.txt looks there). ISA-L, the erasure
# code of the recovery files, is built the same way for both systems: Debian
# ships it only as a shared library, and joinex is static
# (isal-x86_64-linux-gnu and isal-x86_64-w64-mingw32).
windows_cache=/var/cache/fennimar
windows_host=x86_64-w64-mingw32
linux_host=x86_64-linux-gnu

# fetch_source PACKAGE VERSION: fetches Debian's source of PACKAGE at VERSION
# (or, when the archive no longer has it, the newest one it can fetch) and
# unpacks it into ./src-PACKAGE.
fetch_source() {
  local package=$1 wanted=$2
  local sources=/etc/apt/sources.list.d/fennimar-debian-src.sources
  if [ ! -e "$sources" ]; then
    cat > "$sources" << 'EOF'
# Debian's source packages, from which scripts/install-deps.sh builds the
# Windows programs' libraries.
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  # The source lists may be missing (a fresh entry, or lists cleaned away).
  apt-cache showsrc "$package" 2> /dev/null | grep -q '^Version:' || apt-get update -qq
  # The archive lists versions whose files a mirror may already have
  # dropped: the first one that downloads is unpacked.
  local version
  for version in "$wanted" $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
    mkdir -p "fetch-$package"
    (cd "fetch-$package" && apt-get source -qq --download-only "$package=$version") && break
    rm -rf "fetch-$package"
  done
  # (Run where errors do not end the script: each step's failure is passed on.)
  dpkg-source -x --no-check fetch-"$package"/*.dsc "src-$package"
}

# Builds OpenSSL from ./src-openssl into the prefix $1.
build_openssl() {
  # The library looks for its configuration, certificates, engines and
  # providers in directories named when it is built. On Windows a path such
  # as /usr/local/ssl means \usr\local\ssl on the current drive, which any
  # user may create and fill: they point into the system's program folder
  # instead, which only an administrator can write, and no configuration
  # file is read unless a program asks for one.
  local system="C:/Program Files/Common Files/SSL"
  # (Configure would take "C:/..." for a relative path under the prefix.)
  local dirs=(OPENSSLDIR="$system" ENGINESDIR="$system/engines-3"
              MODULESDIR="$system/ossl-modules")
  cd src-openssl &&
    perl Configure mingw64 --cross-compile-prefix=$windows_host- no-shared no-tests \
      no-autoload-config --prefix="$1" --libdir=lib CC=gcc-posix CXX=g++-posix &&
    make -j2 build_libs "${dirs[@]}" && make install_dev "${dirs[@]}"
}

# Builds libpng, then wxWidgets' Windows port over it, from ./src-libpng1.6
# and ./src-wxwidgets3.2 into the prefix $1. wxWidgets is built without the
# parts the program does not use (XML, rich text, web views...), which also
# leaves out the libraries Debian's source of it does not carry.
build_wx() {
  local cross=(--host=$windows_host --build=x86_64-linux-gnu --prefix="$1"
               --disable-shared CC=$windows_host-gcc-posix
               CXX=$windows_host-g++-posix CPPFLAGS="-I$1/include" LDFLAGS="-L$1/lib")
  mkdir src-libpng1.6/build-windows src-wxwidgets3.2/build-msw &&
    (cd src-libpng1.6/build-windows && ../configure "${cross[@]}" --enable-static && make -j2 && make install) &&
    cd src-wxwidgets3.2/build-msw &&
    ../configure "${cross[@]}" --with-msw --enable-unicode --with-libpng=sys --with-zlib=sys \
    --with-libjpeg=no --with-libtiff=no --with-expat=no --with-regex=builtin --with-liblzma=no \
    --without-opengl --disable-xrc --disable-richtext --disable-webview --disable-mediactrl \
    --disable-aui --disable-propgrid --disable-ribbon --disable-stc --disable-webrequest \
    --disable-debug_info --enable-accessibility &&
    make -j2 && make install
}

# Builds ISA-L from ./src-libisal into the prefix $1 for the system $2
# (Makefile.unx's arch: empty for Linux, mingw for Windows), the static
# library only. Its C objects are position-independent, as the programs
# that link them are.
build_isal() {
  local arch=()
  [ -z "$2" ] || arch=(arch="$2")
  cd src-libisal && make -f Makefile.unx -j2 "${arch[@]}" AS=nasm CFLAGS_="-Wall -fPIC" lib &&
    mkdir -p "$1/lib" "$1/include/isa-l" && install -m 644 bin/isa-l.a "$1/lib/libisal.a" &&
    install -m 644 include/*.h "$1/include/isa-l/"
}
build_isal_linux() { build_isal "$1" ""; }
build_isal_windows() { build_isal "$1" mingw; }

# windows_library NAME BUILD PACKAGE=VERSION...: makes sure that the cache
# holds NAME for the tool chain, built by the function BUILD from the
# packages' sources, and points $windows_cache/NAME-$windows_host at it.
windows_library() { cached_library "$windows_host" "$@"; }

# cached_library HOST NAME BUILD PACKAGE=VERSION...: the same for the system
# HOST ($windows_host or $linux_host), pointing $windows_cache/NAME-HOST at it.
cached_library() {
  local host=$1 name=$2 build=$3
  shift 3
  local chain target p
  if [ "$host" = "$windows_host" ]; then
    chain="$windows_host-gcc$($windows_host-gcc-posix -dumpversion | cut -d- -f1)-posix"
  else
    chain="$host-gcc$(gcc -dumpversion | cut -d- -f1)"
  fi
  target="$windows_cache/$name"
  for p in "$@"; do target+="-${p#*=}"; done
  target+="-$chain"
  if [ ! -e "$target/.complete" ]; then
    mkdir -p "$windows_cache"
    # One build at a time: a second run waits for the first, then finds it.
    exec 9> "$windows_cache/$name.lock"
    flock 9
    if [ ! -e "$target/.complete" ]; then
      echo "Building $name for $host from Debian's sources (minutes, once per machine)"
      local work
      work=$(mktemp -d "$windows_cache/$name-build-XXXXXX")
      # The libraries' own scripts (wx-config) record the prefix they were
      # built for, so it is the cache's directory itself; it counts as built
      # once .complete is there.
      rm -rf "$target"
      if ! (cd "$work" && for p in "$@"; do fetch_source "${p%=*}" "${p#*=}"; done &&
            $build "$target") > "$work/build.log" 2>&1; then
        tail -n 40 "$work/build.log" >&2
        rm -rf "$work" "$target"
        return 1
      fi
      rm -rf "$work"
      touch "$target/.complete"
    fi
    flock -u 9
  fi
  local link="$windows_cache/$name-$host"
  [ "$(readlink "$link")" = "$target" ] || ln -sfn "$target" "$link"
}

windows_libraries() {
  command -v $windows_host-gcc-posix > /dev/null || return 0
  if [ "$(id -u)" -ne 0 ]; then
    sudo "$0" --windows-libraries
    return
  fi
  local version='${Version}'
  windows_library openssl build_openssl "openssl=$(dpkg-query -W -f="$version" libssl-dev)"
  windows_library wx-msw build_wx "wxwidgets3.2=$(dpkg-query -W -f="$version" libwxgtk3.2-dev)" \
    "libpng1.6=$(dpkg-query -W -f="$version" libpng16-16)"
  windows_library isal build_isal_windows "libisal=$isal_version"
}

# The version of ISA-L built for both systems (Debian 12's).
isal_version=2.30.0-5
linux_libraries() {
  if [ "$(id -u)" -ne 0 ]; then
    sudo "$0" --linux-libraries
    return
  fi
  cached_library "$linux_host" isal build_isal_linux "libisal=$isal_version"
}

run_only=false
case "${1:-}" in
  --run) packages=("${run_packages[@]}") && run_only=true ;;
  --windows-libraries) windows_libraries && exit 0 ;;
  --linux-libraries) linux_libraries && exit 0 ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  # Postfix only lends its smtp-sink: no mail system is configured or started.
  echo "postfix postfix/main_mailer_type select No configuration" | $sudo debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
linux_libraries
$run_only && exit 0
windows_libraries
