#!/usr/bin/env bash
# Regenerates the artwork into a scratch folder and compares it with the
# committed files: a stale or hand-edited picture fails here.
set -euo pipefail
skinart=$1 root=$2
out=$(mktemp -d) again=$(mktemp -d)
trap 'rm -rf "$out" "$again"' EXIT
"$skinart" "$out" >/dev/null
diff -r "$root/resources/art" "$out/resources/art"
diff -r "$root/skins" "$out/skins"
# And a second run draws the same bytes.
"$skinart" "$again" >/dev/null
diff -r "$out" "$again"
echo "artwork is current"
