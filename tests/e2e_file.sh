#!/usr/bin/env bash
# A video file through the real program's file dialog, as a user opens one:
# it plays in the picture area, keeps playing past its end (a loop), and
# takes a slider change. The clip is made here with GStreamer's own tools.
set -euo pipefail
quabrel=$1 screenshot=$2 plugins=$3
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

# One second of snow: every frame differs all over.
clip="$e2e_work/snow.avi"
gst-launch-1.0 -q videotestsrc num-buffers=30 pattern=snow ! video/x-raw,width=320,height=240,framerate=30/1 \
  ! videoconvert ! jpegenc ! avimux ! filesink location="$clip" || e2e_fail "could not make the clip"

e2e_start_display 1280 1024
e2e_start_window_manager
# The test cameras: without any, every build says that no camera was found.
e2e_program_env "GST_PLUGIN_PATH=$plugins"
e2e_start_program "$quabrel"

# Window points: a point of the picture area, the red slider's thumb at its
# middle.
spot=(30 30) red=(229 279)
placeholder=$(e2e_pixel "${spot[@]}")
e2e_open_file 1 "$clip"
picture() { e2e_pixel 20 20 60 60 100 100 140 140 180 100 220 60; }
# Where the test cameras do not load (a sanitized build's plugin in an
# uninstrumented scanner), the build says that no camera was found, in a
# message box of its own; it is answered as a user would.
answer_box() {
  local windows
  windows=$(xdotool search --onlyvisible --name '^quabrel$' 2>/dev/null | wc -l)
  ((windows > 1)) && xdotool key Return
  return 0
}
playing() { answer_box; [[ $(e2e_pixel "${spot[@]}") != "$placeholder" ]]; }
e2e_poll 150 playing || e2e_fail "the clip did not show"
echo "playing"

# The snow moves: the picture differs from one moment to the next, also
# well after the clip's one second.
sleep 1.5
first=$(picture)
changed() { [[ $(picture) != "$first" ]]; }
e2e_poll 30 changed || e2e_fail "the picture stopped after the clip's end"
echo "still moving after its end"

# Red down (the vertical slider's top is its minimum): the grey snow turns
# blue-green, no point keeps much red; the process stays up.
xdotool mousemove $((win_x + red[0])) $((win_y + red[1])) mousedown 1 mousemove $((win_x + red[0])) $((win_y + red[1] - 20)) \
  sleep 0.2 mousemove $((win_x + red[0])) $((win_y + red[1] - 45)) mouseup 1
sleep 1
alive || e2e_fail "quabrel ended after the slider: $(cat "$e2e_work/quabrel.log")"
reddest=0
for _ in $(seq 10); do
  for colour in $(picture); do
    ((16#${colour:1:2} > reddest)) && reddest=$((16#${colour:1:2}))
  done
  sleep 0.1
done
((reddest < 0x30)) || e2e_fail "the picture kept its red after the slider went down (red up to $reddest)"
echo "red gone from the picture"
# Nothing printed, but for the sanitizer's note about the plugin scanner
# of a sanitized build.
printed=$(grep -v 'ASan runtime does not come first' "$e2e_work/quabrel.log" || true)
[[ -z $printed ]] || e2e_fail "quabrel printed: $printed"
echo "PASS"
