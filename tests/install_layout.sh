#!/usr/bin/env bash
# The installed tree has the executable with its skin folder and web view
# module beside it and a link in bin/ that leads to it, and the desktop's
# menu entry, icons and AppStream metainfo under share/.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
test -x "$prefix/lib/quabrel/quabrel"
test -f "$prefix/lib/quabrel/skin/skin.cfg"
test -f "$prefix/lib/quabrel/skin/aurora/aurora.ini"
test -f "$prefix/lib/quabrel/quabrel_webview.so"
test -L "$prefix/bin/quabrel"
test "$(readlink -f "$prefix/bin/quabrel")" = "$(readlink -f "$prefix/lib/quabrel/quabrel")"
test -f "$build/quabrel/skin/skin.cfg"
grep -qx 'Exec=quabrel' "$prefix/share/applications/quabrel.desktop"
grep -qx 'Icon=quabrel' "$prefix/share/applications/quabrel.desktop"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for size in 16 24 32 48 64 128 256; do
  cmp "$here/../resources/art/icon128-$size.png" "$prefix/share/icons/hicolor/${size}x${size}/apps/quabrel.png"
done
metainfo=$prefix/share/metainfo/quabrel.metainfo.xml
grep -q '<launchable type="desktop-id">quabrel.desktop</launchable>' "$metainfo"
grep -q '<url type="homepage">https://' "$metainfo"
! grep -q '@[A-Z_]*@' "$metainfo"
for sample in colour-chart.bmp bouncing-ball.avi chime.wav; do
  cmp "$here/../samples/$sample" "$prefix/share/quabrel/samples/$sample"
done
# The copyright and changelog are for the Debian package only.
test ! -e "$prefix/share/doc"
echo "install layout ok"
