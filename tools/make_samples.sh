#!/usr/bin/env bash
# Regenerates the sample media (samples/) from tools/samplemedia. The output
# is deterministic: a clean tree stays clean.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
cmake -S . -B build/release -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release --target samplemedia
build/release/tools/samplemedia/samplemedia "$here"
