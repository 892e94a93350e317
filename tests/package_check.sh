#!/usr/bin/env bash
# The Debian package built from a build folder: it holds exactly the
# installed program and its desktop files, names the plugin packages the
# program loads at run time, and passes the desktop, AppStream and Debian
# checkers.
#   bash tests/package_check.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (tools/dev.sh installs it)"
done

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[[ -n $version ]] || fail "no package version in $build/CPackConfig.cmake"
arch=$(dpkg --print-architecture)

echo "== cpack"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$work/out/quabrel_${version}_${arch}.deb
[[ -f $deb ]] || { ls "$work/out" >&2; fail "no quabrel_${version}_${arch}.deb"; }

echo "== contents"
# Every entry but the folders, as "path" or "path -> target" for links.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' |
  sort >"$work/actual"
{
  echo "./usr/bin/quabrel -> ../lib/quabrel/quabrel"
  echo "./usr/lib/quabrel/quabrel"
  echo "./usr/lib/quabrel/quabrel_webview.so"
  (cd "$source_dir/skins" && find . -type f | sed 's#^\./#./usr/lib/quabrel/skin/#')
  (cd "$source_dir/samples" && find . -type f | sed 's#^\./#./usr/share/quabrel/samples/#')
  echo "./usr/share/applications/quabrel.desktop"
  for size in 16 24 32 48 64 128 256; do
    echo "./usr/share/icons/hicolor/${size}x${size}/apps/quabrel.png"
  done
  echo "./usr/share/metainfo/quabrel.metainfo.xml"
  echo "./usr/share/doc/quabrel/copyright"
  echo "./usr/share/doc/quabrel/changelog.gz"
  echo "./usr/share/lintian/overrides/quabrel"
} | sort >"$work/expected"
if grep -E 'test_|guard_holder|screenshot|skinart|gstquabrelfake|gst-plugins' "$work/actual"; then
  fail "test or tool files in the package"
fi
diff -u "$work/expected" "$work/actual" || fail "the package's files differ from the expected list"

dpkg-deb -x "$deb" "$work/root"
root=$work/root
for size in 16 24 32 48 64 128 256; do
  cmp "$source_dir/resources/art/icon128-$size.png" "$root/usr/share/icons/hicolor/${size}x${size}/apps/quabrel.png" ||
    fail "the ${size}px icon is not the program's artwork"
done
test -x "$root/usr/lib/quabrel/quabrel" || fail "the executable is not executable"
[[ $(gzip -dc "$root/usr/share/doc/quabrel/changelog.gz" | head -n 1) == "quabrel ($version) "* ]] ||
  fail "the changelog's latest entry is not version $version"

echo "== control fields"
dpkg-deb -I "$deb" >"$work/info"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
echo "Recommends: $(dpkg-deb -f "$deb" Recommends)"
for package in libqt6widgets6 libqt6webenginewidgets6 libpng16-16 libgstreamer1.0-0 gstreamer1.0-plugins-base \
  gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav xdg-utils; do
  grep -Eq "(^|[ ,])$package( |,|$)" <<<"$depends" || fail "Depends does not name $package"
done
grep -Eq '(^|[ ,])qt6-wayland( |,|$)' <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "Recommends does not name qt6-wayland"
[[ $(dpkg-deb -f "$deb" Package) == quabrel ]] || fail "the package is not named quabrel"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "the package version is not $version"
[[ $(dpkg-deb -f "$deb" Architecture) == "$arch" ]] || fail "the package architecture is not $arch"
[[ $(dpkg-deb -f "$deb" Section) == video ]] || fail "the package section is not video"
[[ -n $(dpkg-deb -f "$deb" Maintainer) ]] || fail "no maintainer"

echo "== desktop entry and metainfo"
desktop=$root/usr/share/applications/quabrel.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || { echo "$out" >&2; fail "desktop-file-validate failed"; }
[[ -z $out ]] || { echo "$out" >&2; fail "desktop-file-validate has remarks"; }
# What the entry names must be in the package.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -L $root/usr/bin/$exec_name || -x $root/usr/bin/$exec_name ]] || fail "Exec=$exec_name is not in usr/bin"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $root/usr/share/icons/hicolor/48x48/apps/$icon_name.png ]] || fail "Icon=$icon_name is not in the icon theme"
metainfo=$root/usr/share/metainfo/quabrel.metainfo.xml
appstreamcli validate --no-net --no-color "$metainfo" || fail "appstreamcli rejects the metainfo"
grep -q '<launchable type="desktop-id">quabrel.desktop</launchable>' "$metainfo" ||
  fail "the metainfo does not launch quabrel.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

echo "== lintian"
status=0
lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || status=$?
cat "$work/lintian"
if grep -q '^E: ' "$work/lintian"; then
  fail "lintian reports errors"
fi
((status == 0)) || fail "lintian exited with $status"
echo "package ok: $(basename "$deb")"
