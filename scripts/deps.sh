#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# skipping those already present. Sourced by the run and test scripts.
set -euo pipefail

TARNVIEW_PACKAGES=(
  cmake make g++ pkg-config
  googletest libgtest-dev
  qt6-base-dev libgl-dev
  fonts-ipafont-gothic
  # Japanese locales for the data file's character set; Qt's own Japanese texts.
  locales qt6-translations-l10n
  xvfb xauth
  clang-14 libclang-rt-14-dev clang-tidy-14 valgrind
  python3-pyatspi at-spi2-core dbus-daemon
  appstream desktop-file-utils
  # The noise analysis' FFT (header-only), the report's browser check and the
  # independent figures its tests compare with.
  libeigen3-dev chromium python3-numpy
  # The Debian package's checks and manual pages.
  dpkg-dev lintian help2man
)

# The Windows build of the core and the command line, and wine to test it
# (scripts/test installs them for its Windows stage).
TARNVIEW_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 nsis)

# Installs the packages given, TARNVIEW_PACKAGES when none are.
tarnview_install_deps() {
  local wanted=("$@") missing=()
  [ ${#wanted[@]} -gt 0 ] || wanted=("${TARNVIEW_PACKAGES[@]}")
  for pkg in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  # Another install may hold the package lock (the Windows tools install beside the build).
  local lock=(-o DPkg::Lock::Timeout=600)
  "${sudo[@]}" apt-get "${lock[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${lock[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}
