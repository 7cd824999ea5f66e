#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what a desktop reads from
# it: the programs, the menu entries, the icon and the AppStream metainfo;
# that every program, its manual page, the metainfo, the Debian changelog and
# the Debian packages name the project's version; then that the packages pass
# lintian.
#   install_check.sh BUILD_DIR VERSION
set -euo pipefail
version=$2
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

# The version, wherever it shows; the windows print theirs without a display.
for program in tarnview tarnview_solo tarnview-cli tarnboard; do
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version)
  [ "$said" = "$program $version" ] || { echo "$program --version: '$said', not '$program $version'"; exit 1; }
  page=$(zcat "$share/man/man1/$program.1.gz")
  grep -q "^\.TH .*\"$program $version\"" <<<"$page" ||
    { echo "the manual page of $program does not name $version"; exit 1; }
done
for metainfo in "$share"/metainfo/*.metainfo.xml; do
  newest=$(sed -n '/<release /{s|.*version="\([^"]*\)".*|\1|p;q}' "$metainfo")
  [ "$newest" = "$version" ] || { echo "$metainfo: newest release '$newest', not $version"; exit 1; }
done
zcat "$share/doc/tarnview/changelog.gz" >"$package/changelog"
changelog=$(dpkg-parsechangelog -l "$package/changelog" -S Version)
rm "$package/changelog"
[ "$changelog" = "$version" ] || { echo "the Debian changelog's top entry is $changelog, not $version"; exit 1; }
echo "the programs, manual pages, metainfo and changelog name version $version"

# One package a part, as Debian has a library: the programs, the shared
# library, its development files and the Python package.
cpack -G DEB --config "$1/CPackConfig.cmake" -B "$package" >/dev/null
names=()
for deb in "$package"/*.deb; do
  names+=("$(dpkg-deb -f "$deb" Package)")
  said=$(dpkg-deb -f "$deb" Version)
  [ "$said" = "$version" ] || { echo "$(basename "$deb")'s version is $said, not $version"; exit 1; }
done
[ "${names[*]}" = "libtarnview-dev libtarnview0 python3-tarnview tarnview" ] ||
  { echo "the packages are ${names[*]}"; exit 1; }
dpkg-deb -c "$package"/libtarnview0_*.deb | grep '/libtarnview\.so\.0 -> ' >/dev/null ||
  { echo "libtarnview0 holds no libtarnview.so.0"; exit 1; }
lintian --fail-on error,warning "$package"/*.deb
echo "${names[*]} pass lintian"
