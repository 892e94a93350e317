#!/usr/bin/env bash
# Start-up to first paint and resident memory, with the banner's web engine
# (the program) and without it (its anchor, quabrel_nobanner), on a virtual
# display, from the optimised benchmark build in build/bench.
#
#   bash bench/startup.sh [runs]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
runs=${1:-7}
source bench/bench_build.sh
bench_build quabrel quabrel_nobanner quabrel_skins startup_paint

# The server picks a free display number and writes it once it accepts
# connections.
ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
xvfb=$!
runtime=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; wait; rm -rf "$ready" "$runtime"' EXIT
for _ in $(seq 100); do [[ -s $ready ]] && break; sleep 0.1; done
[[ -s $ready ]] || { echo "startup.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$ready") XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
for name in quabrel quabrel_nobanner; do
  echo "== $name"
  build/bench/bench/startup_paint "build/bench/quabrel/$name" "$runs" | tail -n 1
done
