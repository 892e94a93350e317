#!/usr/bin/env bash
# A whole session with the installed program, as a user has it: installed
# into a prefix, started through its bin/ link under a window manager with a
# notification area and a PipeWire session, with the test cameras. It picks
# a camera, drags every slider and sees the picture move the expected way,
# changes the frame rate and sees the PipeWire camera's frames keep coming
# at the new pace, switches skin from the menu, opens the camera's input
# choice, hides to the tray and comes back, plays the sample clip and sees
# it loop, greys the sample picture, turns a second copy away, and quits on
# Escape. All of it traced:
# the program writes no file.
set -euo pipefail
build=$1 screenshot=$2 plugins=$3
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/e2e_lib.sh"

prefix=$e2e_work/prefix
cmake --install "$build" --prefix "$prefix" >"$e2e_work/install.log" 2>&1 || e2e_fail "install: $(cat "$e2e_work/install.log")"
quabrel=$prefix/bin/quabrel
clip=$prefix/share/quabrel/samples/bouncing-ball.avi
[[ -x $quabrel && -f $clip ]] || e2e_fail "the installed tree lacks the program or its samples"

e2e_start_display 1280 1024
e2e_start_window_manager
e2e_start_tray_host
home=$e2e_work/home runtime=$e2e_work/runtime
e2e_start_pipewire "$runtime"
e2e_program_env "GST_PLUGIN_PATH=$plugins" "XDG_CONFIG_HOME=$home/.config" "XDG_CACHE_HOME=$home/.cache" \
  "XDG_DATA_HOME=$home/.local/share" "XDG_STATE_HOME=$home/.local/state"
e2e_start_traced "$quabrel"
alive() { kill -0 "$program" 2>/dev/null; }
ready() { (e2e_engine_up "$program" && e2e_window_viewable) || ! alive; }
e2e_poll 600 ready || true
alive || e2e_fail "quabrel ended early: $(cat "$e2e_work/quabrel.log")"
e2e_window_geometry || e2e_fail "no window named quabrel"
xdotool windowactivate --sync "$(e2e_window_id)" >/dev/null 2>&1 || true
echo "window ${win_w}x${win_h} at $win_x,$win_y"

# Window points, from the dialog template (dialog units to pixels): the
# camera list's rows, the picture area's green bar (the fourth of seven
# colour bars) and another point of it, the three horizontal sliders' knobs
# at rest, the three vertical ones' (red, blue, green from the left), the
# frame-rate box, Settings and Hide to Tray.
list_x=360
row_y() { echo $((110 + 16 * $1)); }
bar=(137 60) spot=(30 30)
brightness=(103 261) contrast=(103 287) saturation=(103 313)
red=(229 279) blue=(249 279) green=(270 279)
frame_rate=(100 371) settings=(420 275) to_tray=(420 371)

probe=("${bar[@]}")  # where slider_step looks
channels() { e2e_rgb "${probe[@]}"; }  # "r g b" at the probe point

placeholder=""
painted() { placeholder=$(e2e_pixel "${spot[@]}") && [[ -n $placeholder && $placeholder != "#000000" ]]; }
e2e_poll 200 painted || e2e_fail "the window shows nothing"

# Fake Camera Bright, Busy, Full, Plain, VGA: Plain has no picture controls
# of its own, so every slider works on the frames.
pick_camera() { xdotool mousemove $((win_x + list_x)) $((win_y + $(row_y 3))) click 1; }
streaming() {
  local now
  now=$(e2e_pixel "${spot[@]}") && [[ -n $now && $now != "$placeholder" && $now != "#000000" ]]
}
e2e_retry 5 100 pick_camera streaming || e2e_fail "picking a camera showed no picture"
read -r r g b < <(channels)
echo "camera picked: green bar $r $g $b"

# Each slider is dragged from its knob by `dx`,`dy`; `expect` tells from the
# channels before (r0 g0 b0) and now (r g b) whether the picture moved the
# right way.
drag() {  # x y dx dy
  xdotool mousemove $((win_x + $1)) $((win_y + $2)) mousedown 1
  xdotool mousemove $((win_x + $1 + $3 / 3)) $((win_y + $2 + $4 / 3))
  xdotool mousemove $((win_x + $1 + $3)) $((win_y + $2 + $4)) mouseup 1
}
slider_step() {  # name, x, y, dx, dy, expectation (arithmetic on r g b r0 g0 b0)
  local name=$1 x=$2 y=$3 dx=$4 dy=$5 expectation=$6
  read -r r0 g0 b0 < <(channels)
  moved() { read -r r g b < <(channels) && (($expectation)); }
  step() { drag "$x" "$y" "$dx" "$dy"; }
  e2e_retry 4 50 step moved || e2e_fail "$name: the picture went from $r0 $g0 $b0 to $r $g $b"
  echo "$name: $r0 $g0 $b0 -> $r $g $b"
}
# On the green bar: brightness up lifts the dark channels; contrast down
# pulls the bright one towards grey; the vertical sliders' top is their
# minimum: red and blue down their channel go up, green up its channel goes
# down. (Saturation works on pictures, or through a camera's own control:
# below, on the sample picture.)
slider_step brightness "${brightness[@]}" 40 0 'r > r0 + 10 && b > b0 + 10'
slider_step contrast "${contrast[@]}" -40 0 'g < g0 - 10'
slider_step red "${red[@]}" 0 30 'r > r0 + 10'
slider_step blue "${blue[@]}" 0 30 'b > b0 + 10'
slider_step green "${green[@]}" 0 -30 'g < g0 - 10'

# The frame rate: the PipeWire camera's reader times twelve frames before
# and after "5 f/Sec".
twelve_frames_ms() {
  local start
  start=$(date +%s%N)
  XDG_RUNTIME_DIR=$runtime timeout 20 gst-launch-1.0 -q pipewiresrc target-object=Quabrel num-buffers=12 ! video/x-raw,format=BGRA,framerate=[1/1,30/1] ! fakesink \
    >"$e2e_work/reader.log" 2>&1 || return 1
  echo $((($(date +%s%N) - start) / 1000000))
}
nodes() { XDG_RUNTIME_DIR=$runtime pw-dump 2>/dev/null | grep '"node.name"' | tr -s ' ' | tr '\n' ' '; }
before=$(twelve_frames_ms) || e2e_fail "no frames from the PipeWire camera (nodes: $(nodes)): $(cat "$e2e_work/reader.log")"
choose_rate() { xdotool mousemove $((win_x + frame_rate[0])) $((win_y + frame_rate[1])) click 1 sleep 0.5 key Down Return; }
choose_rate
sleep 1
after=$(twelve_frames_ms) || e2e_fail "the frames stopped after the frame rate changed"
echo "twelve frames: ${before} ms at the camera's own rate, ${after} ms at 5 f/Sec"
((after >= 1500)) || e2e_fail "frames still come faster than 5 a second"
((before * 2 < after)) || e2e_fail "the frame rate made no difference"

# Settings > Crossbar...: this camera has one input, which the program says.
open_menu() { xdotool mousemove $((win_x + settings[0])) $((win_y + settings[1])) click 1; }
box_up() { (($(xdotool search --onlyvisible --name '^quabrel$' 2>/dev/null | wc -l) > 1)); }
open_menu
sleep 0.5
xdotool key Down Down Down Return  # Audio Capture Devices, Skin, Crossbar...
e2e_poll 100 box_up || e2e_fail "Crossbar... said nothing"
xdotool key Return
box_gone() { ! box_up; }
e2e_poll 50 box_gone || e2e_fail "the message did not close"
echo "input choice answered"

# Settings > Skin > its second entry: the face changes, the picture runs on.
face=(390 62)
face_before=$(e2e_pixel "${face[@]}")
open_menu
sleep 0.5
xdotool key Down Down Right Down Return
e2e_poll 50 e2e_pixel_differs "${face[@]}" "$face_before" || e2e_fail "the Skin submenu did not change the skin"
e2e_window_geometry
echo "skin changed, window now ${win_w}x${win_h}"

hidden() { ! e2e_window_viewable; }
to_tray_and_back() {
  xdotool mousemove $((win_x + to_tray[0])) $((win_y + to_tray[1])) click 1
  e2e_poll 50 hidden || e2e_fail "Hide to Tray left the window on screen"
  e2e_poll 50 e2e_icon_centre || e2e_fail "no icon in the notification area"
  xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
  e2e_poll 50 e2e_window_viewable || e2e_fail "a double click on the icon did not bring the window back"
  e2e_window_geometry
  xdotool windowactivate --sync "$(e2e_window_id)" >/dev/null 2>&1 || true
}
to_tray_and_back
echo "hidden to the tray and back"

# The sample clip through the file dialog: it plays and moves on past its
# two seconds.
e2e_open_file 1 "$clip"
# The clip's frame number, top left, changes with every frame.
counter=()
for y in 17 19 21 23; do for x in $(seq 47 59); do counter+=("$x" "$y"); done; done
picture() { e2e_pixel "${counter[@]}" 100 100 140 140 180 100 220 60; }
camera_picture=$(picture)
playing() { [[ $(picture) != "$camera_picture" ]]; }
e2e_poll 150 playing || e2e_fail "the clip did not show"
sleep 2.5
first=$(picture)
changed() { [[ $(picture) != "$first" ]]; }
e2e_poll 30 changed || e2e_fail "the clip stopped at its end"
echo "the clip plays on past its end"

# The sample picture: saturation down greys its red patch.
e2e_open_file 3 "$prefix/share/quabrel/samples/colour-chart.bmp"
probe=(42 66)  # the red patch
red_patch() { read -r r g b < <(channels) && ((r > g + 60 && r > b + 60)); }
e2e_poll 100 red_patch || e2e_fail "the picture did not show its red patch: $r $g $b"
slider_step saturation "${saturation[@]}" -40 0 'r - (g + b) / 2 < r0 - (g0 + b0) / 2 - 20'
# A picture that stands still is drawn again when its window comes back,
# without decoding it again.
still=$(e2e_pixel "${probe[@]}")
to_tray_and_back
same_still() { [[ $(e2e_pixel "${probe[@]}") == "$still" ]]; }
e2e_poll 50 same_still || e2e_fail "the still picture did not come back with the window: $(e2e_pixel "${probe[@]}") for $still"
echo "the still picture comes back with the window"

start=$(date +%s%N)
timeout 10 "${e2e_env[@]}" "$quabrel" >"$e2e_work/second.log" 2>&1 || e2e_fail "second copy: status $?"
echo "second copy ended after $((($(date +%s%N) - start) / 1000000)) ms"
[[ ! -s $e2e_work/second.log ]] || e2e_fail "the second copy printed: $(cat "$e2e_work/second.log")"
alive || e2e_fail "the first copy ended"

xdotool windowactivate --sync "$(e2e_window_id)" >/dev/null 2>&1 || true
e2e_escape_traced
e2e_check_no_writes "$runtime" "$home"
echo "PASS"
