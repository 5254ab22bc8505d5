#!/usr/bin/env bash
# Installs, from Debian's packages, whatever Fennimar's build, tests and
# benchmarks need and this machine lacks; with --run, only what building and
# running the programs needs; with --windows-openssl, only the Windows
# programs' OpenSSL (below). Needs root (or sudo) when something is missing;
# does nothing otherwise.
set -euo pipefail
shopt -s inherit_errexit
run_packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev                              # the desktop program
  libssl-dev                                   # TLS for mail
  libsecret-1-dev                              # the desktop keyring
  libcli11-dev                                 # fennimar-cli's option parser (headers only)
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
  dosfstools                                   # a vfat image for the drive tests
  g++-mingw-w64-x86-64 wine wine64             # joinex.exe and its tests under wine
  file lintian appstream desktop-file-utils    # the Debian package and its checks
  xdg-utils libfile-mimeinfo-perl             # the part type as xdg-mime tells it
  python3-pyatspi at-spi2-core                 # the windows as a screen reader reads them
  librsvg2-bin                                 # scripts/render_icons.sh: the icon's PNG sizes
)
# OpenSSL for the Windows programs' mail: Debian has no MinGW build of it, so
# it is built once per machine from Debian's own source package, statically,
# into a cache outside the clone named after its version and the tool chain;
# /var/cache/fennimar/openssl-x86_64-w64-mingw32 points at the one in use
# (cmake/windows_build.cmake looks there).
openssl_cache=/var/cache/fennimar
openssl_host=x86_64-w64-mingw32

# Fetches the source of OpenSSL version $1 (or, when the archive no longer
# has it, the newest one it can fetch) into the current directory, builds it
# and moves the installed result into the cache in one step; prints where it
# went.
build_windows_openssl() {
  local wanted=$1 chain=$2
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
  apt-cache showsrc openssl 2> /dev/null | grep -q '^Version:' || apt-get update -qq
  # The archive lists versions whose files a mirror may already have
  # dropped: the first one that downloads is built.
  local version
  for version in "$wanted" $(apt-cache showsrc openssl | sed -n 's/^Version: //p' | sort -rV); do
    apt-get source -qq --download-only "openssl=$version" > /dev/null 2>&1 && break
    rm -f ./openssl_*
  done
  dpkg-source -x --no-check ./openssl_*.dsc src > /dev/null
  local stage
  version=$(dpkg-parsechangelog -l src/debian/changelog -S Version)
  stage="$openssl_cache/openssl-$version-$chain"
  if [ ! -e "$stage/lib/libssl.a" ]; then
    # The library looks for its configuration, certificates, engines and
    # providers in directories named when it is built. On Windows a path
    # such as /usr/local/ssl means \usr\local\ssl on the current drive,
    # which any user may create and fill: they point into the system's
    # program folder instead, which only an administrator can write, and no
    # configuration file is read unless a program asks for one.
    local system="C:/Program Files/Common Files/SSL"
    # (Configure would take "C:/..." for a relative path under the prefix.)
    local dirs=(OPENSSLDIR="$system" ENGINESDIR="$system/engines-3"
                MODULESDIR="$system/ossl-modules")
    if ! (cd src && perl Configure mingw64 --cross-compile-prefix=$openssl_host- no-shared \
      no-tests no-autoload-config --prefix="$PWD/../stage" --libdir=lib \
      CC=gcc-posix CXX=g++-posix && make -j2 build_libs "${dirs[@]}" &&
      make install_dev "${dirs[@]}") > build.log 2>&1; then
      tail -n 40 build.log >&2
      return 1
    fi
    rm -rf "$stage.new"
    mv stage "$stage.new"
    mv -T "$stage.new" "$stage"
  fi
  echo "$stage"
}

windows_openssl() {
  command -v $openssl_host-gcc-posix > /dev/null || return 0
  if [ "$(id -u)" -ne 0 ]; then
    sudo "$0" --windows-openssl
    return
  fi
  local chain wanted target
  chain="$openssl_host-gcc$($openssl_host-gcc-posix -dumpversion | cut -d- -f1)-posix"
  wanted=$(dpkg-query -W -f='${Version}' libssl-dev)
  target="$openssl_cache/openssl-$wanted-$chain"
  if [ ! -e "$target/lib/libssl.a" ]; then
    mkdir -p "$openssl_cache"
    # One build at a time: a second run waits for the first, then finds it.
    exec 9> "$openssl_cache/openssl.lock"
    flock 9
    if [ ! -e "$target/lib/libssl.a" ]; then
      echo "Building OpenSSL $wanted for Windows (a few minutes, once)"
      local built
      openssl_work=$(mktemp -d "$openssl_cache/openssl-build-XXXXXX")
      trap 'rm -rf "$openssl_work"' EXIT
      built=$(cd "$openssl_work" && build_windows_openssl "$wanted" "$chain")
      # A fall-back to another version is found under the wanted one's name
      # next time, without fetching again.
      [ "$built" = "$target" ] || ln -sfn "$built" "$target"
    fi
    flock -u 9
  fi
  local link="$openssl_cache/openssl-$openssl_host"
  target=$(readlink -f "$target")
  [ "$(readlink "$link")" = "$target" ] || ln -sfn "$target" "$link"
}

run_only=false
case "${1:-}" in
  --run) packages=("${run_packages[@]}") && run_only=true ;;
  --windows-openssl) windows_openssl && exit 0 ;;
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
$run_only && exit 0
windows_openssl
