#!/usr/bin/env bash
# On a high-density X screen (the desktop asks for twice the usual dots per
# inch) the live picture fills its whole area, sharp, as on any screen: the
# frames come at the area's size in the screen's own pixels.
set -euo pipefail
quabrel=$1 screenshot=$2 plugins=$3
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

# A sanitized build's test cameras do not load (the uninstrumented plugin
# scanner refuses the instrumented plugin), so there is no live picture to
# look at: the optimised build's run is the check.
if [[ $(ldd "$quabrel" 2>/dev/null) == *libasan* ]]; then
  echo "no test cameras in a sanitized build: skipped"
  exit 77
fi

e2e_start_display 1280 1024
e2e_start_window_manager
# What desktops set for a 2x screen, and what the toolkit reads.
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER $'Xft.dpi:\t192\n'
e2e_program_env "GST_PLUGIN_PATH=$plugins"
e2e_start_program "$quabrel"
((win_w > 900)) || e2e_fail "the window is ${win_w} wide: the screen's density did not reach the program"

# Screen points of the window at twice the size: the test camera with colour
# bars in the list, the picture area's top left and bottom right.
plain_row=(763 310) top_left=(44 36) bottom_right=(506 388)
before=$(e2e_pixel "${bottom_right[@]}")
xdotool mousemove $((win_x + plain_row[0])) $((win_y + plain_row[1])) click 1
# The bars run white to blue, left to right, from top to bottom.
corner_colours() {
  local r g b
  read -r r g b < <(e2e_rgb "${top_left[@]}") && ((r > 220 && g > 220 && b > 220)) || return 1
  read -r r g b < <(e2e_rgb "${bottom_right[@]}") && ((b > 220 && r < 40 && g < 40))
}
e2e_poll 100 corner_colours ||
  e2e_fail "the picture does not fill its area: $(e2e_pixel "${top_left[@]}") top left," \
    "$(e2e_pixel "${bottom_right[@]}") bottom right (was $before)"
echo "the bars reach both corners of the picture area"
xdotool key Escape
echo "PASS"
