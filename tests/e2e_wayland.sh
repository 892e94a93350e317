#!/usr/bin/env bash
# The real program on a headless Wayland compositor, where nothing shapes a
# window: the parts the skin cuts away must be painted transparent, so the
# compositor's desktop shows through them, and the window's outline must be
# its input region, so a click there goes to whatever lies beneath. The
# controls must look as they do anywhere else.
set -euo pipefail
quabrel=$1 screenshot=$2
width=1280 height=1024
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

exe_dir=$(dirname "$quabrel")
"$screenshot" skins "$exe_dir" "$e2e_work" >/dev/null 2>"$e2e_work/skins.log" ||
  e2e_fail "no picture of the window to compare with: $(cat "$e2e_work/skins.log")"
reference="$e2e_work/window-graphite.png"  # the skin the program starts with
[[ -f $reference ]] || e2e_fail "no picture of the Graphite skin"

# A compositor of this run only: its own runtime folder and socket.
# --debug lets the screenshooter in.
runtime="$e2e_work/wayland" && mkdir -p -m 700 "$runtime"
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --use-pixman --debug --socket=wayland-e2e \
  --width=$width --height=$height --idle-time=0 >"$e2e_work/weston.log" 2>&1 &
e2e_pids+=("$!")
socket_ready() { [[ -S $runtime/wayland-e2e ]]; }
e2e_poll 100 socket_ready || e2e_fail "weston did not start: $(cat "$e2e_work/weston.log")"

# weston-screenshooter writes a picture named by the time into the folder it
# runs in: each shot runs in a folder of its own.
shoot() {  # output.png
  local dir
  dir=$(mktemp -d -p "$e2e_work")
  (cd "$dir" && XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-e2e weston-screenshooter) >/dev/null 2>&1 || return 1
  mv "$dir"/*.png "$1" 2>/dev/null
}
# The shell's panel and background are drawn by a client of their own.
e2e_poll 100 shoot "$e2e_work/desktop.png" || e2e_fail "no screenshot of the empty desktop"
sleep 1 && shoot "$e2e_work/desktop.png" || e2e_fail "no screenshot of the empty desktop"

# The program speaks Wayland; its requests to the compositor are logged so
# the input region it sets can be read back.
mkdir -p -m 700 "$e2e_work/runtime" "$e2e_work/home"
env -i "PATH=/usr/local/bin:/usr/bin:/bin" "HOME=$e2e_work/home" "XDG_RUNTIME_DIR=$runtime" \
  WAYLAND_DISPLAY=wayland-e2e QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "${e2e_sanitizer_env[@]}" \
  "$quabrel" >"$e2e_work/program.log" 2>&1 &
program=$!
e2e_pids+=("$program")

# The input region last set: the rectangles added to the region handed over.
input_rects() {
  awk '
    match($0, /wl_region@[0-9]+\.add\(/) {
      id = substr($0, RSTART, RLENGTH - 5); sub(/\.add.*/, "", id)
      args = substr($0, RSTART + RLENGTH); sub(/\).*/, "", args); gsub(/,/, "", args)
      rects[id] = rects[id] args "\n"
    }
    match($0, /set_input_region\(wl_region@[0-9]+\)/) {
      last = substr($0, RSTART + 17, RLENGTH - 18)
    }
    END { printf "%s", rects[last] }' "$e2e_work/program.log" >"$e2e_work/input.txt"
  [[ -s $e2e_work/input.txt ]]
}

report=""
shown() {
  kill -0 "$program" 2>/dev/null || return 0
  input_rects || return 1
  shoot "$e2e_work/shot.png" || return 1
  report=$("$screenshot" cutaway "$e2e_work/desktop.png" "$e2e_work/shot.png" "$reference" "$e2e_work/input.txt") || return 1
  local inside drawn
  read -r inside drawn < <(awk '/^inside/ {print $2, $4}' <<<"$report")
  # Everything but the banner's panel, which loads a page of its own.
  ((drawn * 100 >= inside * 80))
}
e2e_poll 200 shown || true
kill -0 "$program" 2>/dev/null || e2e_fail "quabrel ended: $(grep -v '^\[' "$e2e_work/program.log" | tail -n 20)"
[[ -n $report ]] || e2e_fail "the window never showed"
echo "$report"
value() { awk -v key="$1" -v n="$2" '$1 == key {print $n}' <<<"$report"; }

cut=$(value cut-away 2) desktop=$(value cut-away 4)
((cut > 0)) || e2e_fail "the skin cuts nothing away: the wrong picture to compare with"
((desktop == cut)) || e2e_fail "$((cut - desktop)) cut-away pixels hide the desktop"
inside=$(value inside 2) drawn=$(value inside 4)
((drawn * 100 >= inside * 80)) || e2e_fail "only $drawn of $inside pixels of the window look as drawn"
[[ $(value input-region 5) == 0 ]] || e2e_fail "clicks on cut-away parts reach the window"
[[ $(value input-region 7) == 0 ]] || e2e_fail "parts of the window do not take clicks"

kill "$program"
wait "$program" 2>/dev/null || true
echo "PASS"
