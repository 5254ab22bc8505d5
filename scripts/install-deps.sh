#!/usr/bin/env bash
# Installs, from Debian's packages, whatever Fennimar's build, tests and
# benchmarks need and this machine lacks; with --run, only what building and
# running the programs needs. Needs root (or sudo) when something is
# missing; does nothing otherwise.
set -euo pipefail
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
[ "${1:-}" = --run ] && packages=("${run_packages[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
# Postfix only lends its smtp-sink: no mail system is configured or started.
echo "postfix postfix/main_mailer_type select No configuration" | $sudo debconf-set-selections
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
