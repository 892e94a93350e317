#!/usr/bin/env bash
# Start-up to first paint and resident memory, with the banner's web engine
# and without it, on a virtual display.
#
#   bash bench/startup.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
runs=${1:-7}
for variant in banner:ON nobanner:OFF; do
  name=${variant%%:*} flag=${variant##*:}
  cmake -S . -B "build/bench-$name" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DQUABREL_BUILD_TESTS=OFF \
    -DQUABREL_BUILD_BENCH=ON -DQUABREL_START_BANNER=$flag >/dev/null
  cmake --build "build/bench-$name" --target quabrel quabrel_skins startup_paint >/dev/null
done
display=:87
Xvfb $display -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
sleep 1
export DISPLAY=$display XDG_RUNTIME_DIR=$(mktemp -d)
for name in banner nobanner; do
  echo "== $name"
  "build/bench-$name/bench/startup_paint" "build/bench-$name/quabrel/quabrel" "$runs" | tail -n 1
done
