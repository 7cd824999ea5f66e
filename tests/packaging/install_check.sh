#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what a desktop reads from
# it: the programs, the menu entries, the icon and the AppStream metainfo;
# then that the Debian package made from it passes lintian.
#   install_check.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d) package=$(mktemp -d)
trap 'rm -rf "$prefix" "$package"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
share=$prefix/share

desktop-file-validate "$share"/applications/*.desktop
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml
test -x "$prefix/bin/tarnboard"
for entry in "$share"/applications/*.desktop; do
  program=$(sed -n 's/^Exec=//p' "$entry")
  icon=$(sed -n 's/^Icon=//p' "$entry")
  test -x "$prefix/bin/$program" || { echo "$entry starts $program, not installed"; exit 1; }
  test -s "$share/icons/hicolor/scalable/apps/$icon.svg" || { echo "$entry: no icon $icon"; exit 1; }
done
for metainfo in "$share"/metainfo/*.metainfo.xml; do
  entry=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
  test -f "$share/applications/$entry" || { echo "$metainfo launches $entry, not installed"; exit 1; }
done
[ "$(ls "$share"/applications/*.desktop | wc -l)" -eq 2 ] || { echo "expected two menu entries"; exit 1; }
echo "installed programs, menu entries, icon and metainfo are valid"

cpack -G DEB --config "$1/CPackConfig.cmake" -B "$package" >/dev/null
lintian --fail-on error,warning "$package"/*.deb
echo "$(basename "$package"/*.deb) passes lintian"
