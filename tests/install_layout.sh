#!/usr/bin/env bash
# The installed tree has the executable with its skin folder and web view
# module beside it and a link in bin/ that leads to it.
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
echo "install layout ok"
