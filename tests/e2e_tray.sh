#!/usr/bin/env bash
# The real program's menus and tray, as a user meets them under a window
# manager with a notification area (trayer): the Advanced menu opens below
# its button, the Skin submenu switches the skin, Hide to Tray leaves an icon
# whose double click brings the window back, and Exit in the icon's menu ends
# the program.
set -euo pipefail
quabrel=$1 screenshot=$2 plugins=$3
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

e2e_start_display 1280 1024
e2e_start_window_manager
e2e_start_tray_host

e2e_program_env "GST_PLUGIN_PATH=$plugins"
e2e_start_program "$quabrel"

# Window points (pixels of the dialog template): the Settings button (1026)
# and Hide to Tray (1015); the place the Advanced menu opens at; a free part
# of the face.
settings=(420 275) to_tray=(420 371) menu=(330 300) face=(390 62)
face_before=$(e2e_pixel "${face[@]}") menu_before=$(e2e_pixel "${menu[@]}")
xdotool mousemove $((win_x + settings[0])) $((win_y + settings[1])) click 1
e2e_poll 50 e2e_pixel_differs "${menu[@]}" "$menu_before" || e2e_fail "the Advanced menu did not open below its button"
echo "Advanced menu open"
# Skin, then its second entry.
xdotool key Down Down Right Down Return
e2e_poll 50 e2e_pixel_differs "${face[@]}" "$face_before" || e2e_fail "the Skin submenu did not change the skin"
echo "skin changed: face $face_before -> $(e2e_pixel "${face[@]}")"

# The icon sits in the panel once the window hides.
hidden() { ! e2e_window_viewable; }

e2e_window_geometry  # the new skin has a size of its own
xdotool mousemove $((win_x + to_tray[0])) $((win_y + to_tray[1])) click 1
e2e_poll 50 hidden || e2e_fail "Hide to Tray left the window on screen"
e2e_poll 50 e2e_icon_centre || e2e_fail "no icon in the notification area"
echo "in the tray at $icon_x,$icon_y"
xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 80 1
e2e_poll 50 e2e_window_viewable || e2e_fail "a double click on the icon did not bring the window back"
echo "restored by a double click"

e2e_window_geometry
xdotool mousemove $((win_x + to_tray[0])) $((win_y + to_tray[1])) click 1
e2e_poll 50 hidden || e2e_fail "the second Hide to Tray left the window on screen"
e2e_poll 50 e2e_icon_centre || e2e_fail "no icon the second time"
xdotool mousemove "$icon_x" "$icon_y" click 3
sleep 0.5
xdotool key x  # E&xit
ended() { ! alive; }
e2e_poll 100 ended || e2e_fail "Exit in the icon's menu did not end quabrel"
wait "$program" && status=0 || status=$?
((status == 0)) || e2e_fail "quabrel ended with status $status: $(cat "$e2e_work/quabrel.log")"
echo "PASS"
