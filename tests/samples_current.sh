#!/usr/bin/env bash
# Regenerates the sample media into a scratch folder and compares it with
# the committed files: a stale or hand-edited sample fails here.
set -euo pipefail
samplemedia=$1 root=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$samplemedia" "$out" >/dev/null
diff -r "$root/samples" "$out/samples"
echo "samples are current"
