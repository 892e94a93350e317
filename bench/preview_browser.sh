#!/usr/bin/env bash
# What the live preview costs while a browser reads the virtual camera: the
# program without its banner showing the test camera, alone and with Debian's
# Chromium reading "Quabrel" through the desktop's camera portal, against
# the bare GStreamer floor of bench/preview.sh, in a desktop session of its
# own (tests/desktop_session.sh) under a window manager. Each round runs each
# case once; the table gives medians.
#
#   bash bench/preview_browser.sh [rounds] [seconds per measurement] [threads]
#
# With `threads`, also the program's busiest threads in the last round.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
if [[ -z ${QUABREL_BENCH_SESSION:-} ]]; then
  exec env QUABREL_BENCH_SESSION=1 bash tests/desktop_session.sh bash "$0" "$@"
fi
rounds=${1:-3} seconds=${2:-10} detail=${3:-}
build=build/bench
source bench/bench_build.sh
bench_build quabrel_nobanner quabrel_skins gstquabrelfake screenshot
screenshot=$build/tools/screenshot/screenshot
session_display=$DISPLAY
source tests/e2e_lib.sh
export DISPLAY=$session_display
e2e_start_window_manager

# The program in the session: its PipeWire, bus and display, nothing else.
program_env=(env -i "PATH=/usr/local/bin:/usr/bin:/bin" "HOME=$HOME" "DISPLAY=$DISPLAY"
  "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS" QT_QPA_PLATFORM=xcb
  "GST_PLUGIN_PATH=$here/$build/tests/gst-plugins")
camera_row=(360 160) picture=(138 106)

measure() {  # name, pid
  sleep 2
  python3 bench/tree_usage.py "$2" "$seconds" "$detail" >"$e2e_work/$1.last"
  head -n 1 "$e2e_work/$1.last" >>"$e2e_work/$1"
}
browser_frames() { grep -c '^QB frame' "$e2e_work/browser.out" 2>/dev/null | grep -qv '^0$'; }

# Starts Chromium on the camera page (with `query`), waits for its first
# frame and measures the script and the browser's whole tree as <name> in
# the background: sets the caller's browser and browser_measure.
start_browser() {  # name, page query, environment words...
  local name=$1 query=$2
  shift 2
  env "$@" bash tests/browser_camera.sh chromium "file://$here/tests/browser/camera_page.html$query" \
    >"$e2e_work/browser.out" &
  browser=$!
  e2e_pids+=("$browser")
  e2e_poll 600 browser_frames || e2e_fail "the browser got no frame: $(cat "$e2e_work/browser.out")"
  measure "$name" "$browser" &
  browser_measure=$!
}

run_program() {  # name, with a reader (0 or 1)
  local name=$1 reader=$2 program browser= browser_measure=
  "${program_env[@]}" "$build/quabrel/quabrel_nobanner" >"$e2e_work/$name.log" 2>&1 &
  program=$!
  e2e_pids+=("$program")
  e2e_poll 100 e2e_window_viewable || e2e_fail "no window: $(cat "$e2e_work/$name.log")"
  e2e_window_geometry
  local before
  before=$(e2e_pixel "${picture[@]}")
  xdotool mousemove $((win_x + camera_row[0])) $((win_y + camera_row[1])) click 1
  e2e_poll 100 e2e_pixel_differs "${picture[@]}" "$before" || e2e_fail "$name shows no picture"
  xdotool mousemove 0 0
  if ((reader)); then start_browser browser ""; fi
  measure "$name" "$program"
  if [[ -n $browser_measure ]]; then wait "$browser_measure"; fi
  if [[ -n $browser ]]; then kill "$browser"; fi
  kill "$program"
  wait "$program" 2>/dev/null || true
}

# The floor while Chromium shows a camera of its own on the same page: the
# machine is shared with the browser as it is while the program is read (two
# cores, one of them busy with the browser, slow each other's work down), so
# the program read and this floor compare like with like.
run_floor_busy() {
  local browser browser_measure
  start_browser browser_own "?label=fake" BROWSER_FAKE_CAMERA=1
  bench_measure_floor_as floor_busy "${program_env[@]}"
  wait "$browser_measure"
  kill "$browser"
}

for round in $(seq "$rounds"); do
  echo "round $round of $rounds" >&2
  run_program alone 0
  run_program read 1
  bench_measure_floor "${program_env[@]}"
  run_floor_busy
done

python3 bench/preview_table.py "$e2e_work" "alone=program, no reader" "read=program, Chromium reading" \
  "browser=Chromium itself, reading*" "floor=bare GStreamer" \
  "floor_busy=bare GStreamer, Chromium showing its own camera" "browser_own=Chromium itself, its own camera*" \
  "read/floor_busy=CPU with Chromium running, program serving it / floor beside it"
if [[ -n $detail ]]; then
  for name in alone read floor floor_busy; do echo "== $name, last round"; tail -n +2 "$e2e_work/$name.last"; done
fi
