#!/usr/bin/env bash
# Installs the Windows installer of a build silently under wine into a fresh
# folder and checks it: the files are those `cmake --install` puts there (by
# name and size: stripping stamps the time into a program), each
# window has its Start-menu entry, the command line runs from there, every
# program names the installer's version, the library (DLL, header, Python
# package) is there and the uninstaller is registered.
# Then uninstalls silently and checks that all of it is gone. Wine's prefix
# and settings come from the environment.
#   windows_install_check.sh BUILD_DIR
set -euo pipefail
wine=/usr/lib/wine/wine64
installer=$(ls "$1"/tarnview-*-win64.exe)
expected=$(mktemp -d)
cmake --install "$1" --prefix "$expected" --strip >/dev/null
folder=tarnview-check-$$
installed=$WINEPREFIX/drive_c/$folder
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/tarnview"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\tarnview'
files() { (cd "$1" && find . -type f ! -name Uninstall.exe -printf '%P %s\n' | sort); }
fail() { echo "installer: $*"; exit 1; }
# Whatever happens, nothing stays installed for the next run.
clean_up() {
  [ ! -f "$installed/Uninstall.exe" ] || "$wine" "$installed/Uninstall.exe" /S "_?=C:\\$folder"
  rm -rf "$expected" "$installed"
}
trap clean_up EXIT

"$wine" "$installer" /S "/D=C:\\$folder"
[ "$(files "$installed")" = "$(files "$expected")" ] ||
  fail "installed $(files "$installed" | xargs) instead of $(files "$expected" | xargs)"
for window in tarnview tarnview_solo; do
  [ ! -f "$installed/bin/$window.exe" ] || grep -lasF "bin\\$window.exe" "$menu"/*.lnk >/dev/null ||
    fail "no Start-menu entry starts $window.exe"
done
[ -f "$installed/Uninstall.exe" ] && [ -f "$menu/Uninstall.lnk" ] || fail "no uninstaller"
# The library for other programs: the DLL, its import library, the header and
# the Python package.
for file in bin/tarnview.dll lib/libtarnview.dll.a include/tarnview.h python/tarnview/__init__.py; do
  [ -f "$installed/$file" ] || fail "no $file"
done
"$wine" reg query "$key" >/dev/null || fail "the uninstaller is not registered"
"$wine" "$installed/bin/tarnview-cli.exe" --help | grep -q '^Usage: tarnview-cli' ||
  fail "tarnview-cli.exe does not run"
# Each program names the version the installer carries, the windows too.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$1/CPackConfig.cmake")
for program in tarnview tarnview_solo tarnview-cli; do
  [ -f "$installed/bin/$program.exe" ] || continue
  said=$("$wine" "$installed/bin/$program.exe" --version | tr -d '\r')
  [ "$said" = "$program $version" ] || fail "$program.exe --version: '$said', not '$program $version'"
done

# In place (_?=), so that wine returns once it is done; it leaves only itself.
"$wine" "$installed/Uninstall.exe" /S "_?=C:\\$folder"
[ -z "$(files "$installed")" ] || fail "uninstalling left $(files "$installed" | xargs)"
[ ! -e "$menu" ] || fail "uninstalling left the Start-menu entries"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "uninstalling left the registry entry"
rm -rf "$installed"
echo "installer: $(basename "$installer"), $(du -k "$installer" | cut -f1) KiB: silent install, programs, Start menu, silent uninstall"
