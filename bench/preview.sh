#!/usr/bin/env bash
# What a running preview costs: the real program showing the test camera
# (320x240 YUY2 at 30 frames per second) with the banner on and off, against
# the bare GStreamer floor (the same test picture through videoconvert into
# ximagesink), on a virtual display under a window manager. With the banner
# on it runs as a user has it, installed into a prefix; the banner-off build
# exists for this measurement only and runs from the build tree. The banner's
# page comes from a local server, so its cost is measured with a page on
# show. The banner alone (quabrel's banner widget and page in a plain window,
# no camera) shows what the web engine costs by itself. Each round runs
# every program once; the table gives medians.
#
#   bash bench/preview.sh [rounds] [seconds per measurement] [threads]
#
# Prints one line per program: CPU of the whole process tree as a share of
# one core, its resident and proportional memory, and the ratio to the
# floor. With `threads`, also each program's busiest threads in the last
# round.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
rounds=${1:-5} seconds=${2:-10} detail=${3:-}
build=build/bench
source bench/bench_build.sh
bench_build quabrel quabrel_nobanner quabrel_skins quabrel_webview banner_alone gstquabrelfake screenshot
screenshot=$build/tools/screenshot/screenshot
source tests/e2e_lib.sh
installed=$e2e_work/installed
cmake --install "$build" --prefix "$installed" >"$e2e_work/install.log" 2>&1 ||
  e2e_fail "install: $(cat "$e2e_work/install.log")"

e2e_start_display 1280 1024
e2e_start_window_manager
python3 bench/banner_server.py "$bench_banner_port" >"$e2e_work/server.log" 2>&1 &
e2e_pids+=("$!")
e2e_poll 50 python3 -c "import socket; socket.create_connection(('127.0.0.1', $bench_banner_port), 1)" 2>/dev/null ||
  e2e_fail "the banner's page server did not start: $(cat "$e2e_work/server.log")"
e2e_program_env "GST_PLUGIN_PATH=$here/$build/tests/gst-plugins"

# Window points of the camera list's row for the 320x240 test camera, and of
# the picture area's middle.
camera_row=(360 160) picture=(138 106)

measure() {  # name, pid: one line of figures into $e2e_work/<name>
  sleep 2  # past the start of the stream
  python3 bench/tree_usage.py "$2" "$seconds" "$detail" >"$e2e_work/$1.last"
  head -n 1 "$e2e_work/$1.last" >>"$e2e_work/$1"
}

run_quabrel() {  # name, executable
  local name=$1 program
  "${e2e_env[@]}" "$2" >"$e2e_work/$name.log" 2>&1 &
  program=$!
  e2e_pids+=("$program")
  e2e_poll 100 e2e_window_viewable || e2e_fail "$name showed no window: $(cat "$e2e_work/$name.log")"
  if [[ $name == quabrel ]]; then
    e2e_poll 300 e2e_engine_up "$program" || e2e_fail "the banner's engine did not start"
    sleep 3  # the page loads and shows
  fi
  e2e_window_geometry
  local before
  before=$(e2e_pixel "${picture[@]}")
  xdotool mousemove $((win_x + camera_row[0])) $((win_y + camera_row[1])) click 1
  e2e_poll 100 e2e_pixel_differs "${picture[@]}" "$before" || e2e_fail "$name shows no picture"
  xdotool mousemove 0 0  # the pointer leaves the window alone while measuring
  measure "$name" "$program"
  kill "$program"
  wait "$program" 2>/dev/null || true
}

for round in $(seq "$rounds"); do
  echo "round $round of $rounds" >&2
  run_quabrel quabrel "$installed/bin/quabrel"
  run_quabrel quabrel_nobanner "$build/quabrel/quabrel_nobanner"
  "${e2e_env[@]}" "$build/bench/banner_alone" "$here/$build/quabrel" "http://127.0.0.1:$bench_banner_port/banner.php" \
    >"$e2e_work/banner.log" 2>&1 &
  banner_pid=$!
  e2e_pids+=("$banner_pid")
  e2e_poll 300 e2e_engine_up "$banner_pid" || e2e_fail "the banner alone did not start: $(cat "$e2e_work/banner.log")"
  sleep 3  # the page loads and shows
  measure banner_alone "$banner_pid"
  kill "$banner_pid"
  wait "$banner_pid" 2>/dev/null || true
  bench_measure_floor "${e2e_env[@]}"
done

python3 bench/preview_table.py "$e2e_work" "quabrel=banner on, installed" "quabrel_nobanner=banner off" \
  "banner_alone=banner alone, no camera" "floor=bare GStreamer"
if [[ -n $detail ]]; then
  for name in quabrel quabrel_nobanner banner_alone floor; do echo "== $name, last round"; cat "$e2e_work/$name.last"; done
fi
