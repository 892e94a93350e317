#!/usr/bin/env bash
# The real program writes no file: traced from start to end of a session
# that picks a (fake) camera, moves a slider, lets the banner's web engine
# come up and quits on Escape, with a fresh empty home and XDG folders, it
# creates, writes, truncates, renames or removes nothing outside its
# temporary runtime folder and the system's pseudo-files (/dev, /proc), and
# its home stays empty.
set -euo pipefail
quabrel=$1 screenshot=$2 fake_plugins=$3
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/e2e_lib.sh"

e2e_start_display 1280 1024
e2e_start_window_manager
home=$e2e_work/home
e2e_program_env "GST_PLUGIN_PATH=$fake_plugins" "XDG_CONFIG_HOME=$home/.config" "XDG_CACHE_HOME=$home/.cache" \
  "XDG_DATA_HOME=$home/.local/share" "XDG_STATE_HOME=$home/.local/state"
runtime=$e2e_work/runtime

e2e_start_traced "$quabrel"
pid=$program
alive() { kill -0 "$pid" 2>/dev/null; }
# The banner's engine comes up once the window is shown; only then does the
# window have its final X window, so the clicks wait for it.
ready() { (e2e_engine_up "$pid" && e2e_window_viewable) || ! alive; }
e2e_poll 600 ready || true
alive || e2e_fail "quabrel ended early: $(cat "$e2e_work/quabrel.log")"
e2e_engine_up "$pid" || e2e_fail "the banner's web engine did not start"
e2e_window_geometry || e2e_fail "no window named quabrel"
echo "window ${win_w}x${win_h} at $win_x,$win_y"

# Places in the window, from its template (dialog units to pixels): the
# picture area's middle, the camera list's rows (16 pixels from y 102,
# names sorted), and the red slider's knob at rest and lower in its channel.
picture_x=138 picture_y=60
list_x=360
row_y() { echo $((110 + 16 * $1)); }
slider_x=229 knob_y=279 slider_low_y=305

placeholder=""
painted() { placeholder=$(e2e_pixel $picture_x $picture_y) && [[ -n $placeholder && $placeholder != "#000000" ]]; }
e2e_poll 200 painted || e2e_fail "the window shows nothing"

# Traced, everything is slow: each action is tried again until its effect
# shows (e2e_retry).

# Fake Camera Bright, Busy, Full, Plain, VGA: the fourth streams colour bars
# (the picture area goes black between the placeholder and the first frame).
pick_camera() { xdotool mousemove $((win_x + list_x)) $((win_y + $(row_y 3))) click 1; }
streaming() {
  local now
  now=$(e2e_pixel $picture_x $picture_y) && [[ -n $now && $now != "$placeholder" && $now != "#000000" ]]
}
e2e_retry 5 100 pick_camera streaming || e2e_fail "picking a camera showed no picture"
echo "camera picked: the picture area shows $(e2e_pixel $picture_x $picture_y)"

knob=$(e2e_pixel $slider_x $knob_y)
drag_slider() {
  xdotool mousemove $((win_x + slider_x)) $((win_y + knob_y)) mousedown 1
  for y in $((knob_y + 5)) $((knob_y + 12)) $slider_low_y; do xdotool mousemove $((win_x + slider_x)) $((win_y + y)); done
  xdotool mouseup 1
}
knob_moved() { e2e_pixel_differs $slider_x $knob_y "$knob"; }
e2e_retry 5 50 drag_slider knob_moved || e2e_fail "the red slider did not move"
echo "slider moved"

alive || e2e_fail "quabrel ended before Escape: $(cat "$e2e_work/quabrel.log")"

e2e_escape_traced

e2e_check_no_writes "$runtime" "$home"
echo "PASS"
