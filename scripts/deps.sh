#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# skipping those already present; makes the Japanese locales and the Windows
# build's wine prefix. Sourced by the run, test and screenshots scripts.
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
  # The Python package's tests.
  python3-pytest
  # The Debian package's checks and manual pages.
  dpkg-dev lintian help2man
)

# The Windows build of the core and the command line, and wine to test it
# (scripts/test installs them for its Windows stage).
TARNVIEW_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 nsis)

# The README's pictures (scripts/screenshots): the screen's grab and crop, and
# the pictures' compression.
TARNVIEW_SCREENSHOT_PACKAGES=(imagemagick optipng)

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

# The data file is written in the user's character set; its tests switch to
# Japanese locales, and wine takes code page 932 from LC_ALL=ja_JP.UTF-8. A
# fresh system does not have them generated.
tarnview_japanese_locales() {
  local have sudo=()
  have=$(locale -a)
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  grep -qix 'ja_JP.utf8' <<<"$have" || "${sudo[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  # Shift_JIS is not ASCII-compatible in two characters; the locale works all the same.
  grep -qix 'ja_JP.sjis' <<<"$have" ||
    "${sudo[@]}" localedef --no-warnings=ascii -i ja_JP -f SHIFT_JIS ja_JP.SJIS
}

# wine, and the environment of the Windows build's own prefix: no display
# unless one is given after it, and without the installers (Mono, Gecko) it
# would wait for. For a script run from the top of the tree.
TARNVIEW_WINE=/usr/lib/wine/wine64
TARNVIEW_WINE_ENV=(env -u DISPLAY WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all
  WINEDLLOVERRIDES="mscoree,mshtml=")

# Makes the prefix, build/windows/wineprefix, unless it is there.
tarnview_wine_prefix() {
  [ ! -f build/windows/wineprefix/system.reg ] || return 0
  mkdir -p build/windows
  "${TARNVIEW_WINE_ENV[@]}" "$TARNVIEW_WINE" wineboot -i
  "${TARNVIEW_WINE_ENV[@]}" /usr/lib/wine/wineserver -w
}
