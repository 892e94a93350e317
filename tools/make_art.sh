#!/usr/bin/env bash
# Regenerates every committed picture (resources/art/, skins/) from
# tools/skinart and the sample media (samples/) from tools/samplemedia. The
# output is deterministic: a clean tree stays clean.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
cmake -S . -B build/release -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target skinart samplemedia
build/release/tools/skinart/skinart "$here"
build/release/tools/samplemedia/samplemedia "$here"
