#!/usr/bin/env bash
# The real program on a virtual X display: it starts, shows its shaped window
# centred, turns a second copy away at once, and ends on Escape. What the
# caller's environment says about displays and toolkits does not matter: the
# program gets only the environment made here.
set -euo pipefail
quabrel=$1 screenshot=$2
width=1280 height=1024
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh"

e2e_start_display $width $height
e2e_program_env

"${e2e_env[@]}" "$quabrel" >"$e2e_work/first.log" 2>&1 &
first=$!
e2e_pids+=("$first")
shown() { e2e_window_viewable || ! kill -0 "$first" 2>/dev/null; }
e2e_poll 300 shown || true
kill -0 "$first" 2>/dev/null || e2e_fail "quabrel ended early: $(cat "$e2e_work/first.log")"
e2e_window_geometry || e2e_fail "no window named quabrel"
echo "window ${win_w}x${win_h} at $win_x,$win_y"
((win_x == width / 2 - win_w / 2 && win_y == height / 2 - win_h / 2)) || e2e_fail "not centred"

# Shaped: the top-left corner lies outside the outline, so the screen's own
# black shows there; inside, beside the title, the skin's background.
# Mapped is not yet painted: wait for the skin to appear.
painted() {
  corner=$(e2e_pixel 0 0) inside=$(e2e_pixel 300 60)
  [[ -n $inside && $inside != "#000000" ]]
}
e2e_poll 100 painted || true
echo "corner $corner, inside $inside"
[[ -n $inside && $inside != "#000000" ]] || e2e_fail "the window shows nothing"
[[ $corner == "#000000" ]] || e2e_fail "the corner is painted: the window is not shaped"

# The banner's web engine comes up once the window is on screen, running
# as whatever user this is (root included).
engine_loaded() { grep -q quabrel_webview "/proc/$first/maps" 2>/dev/null; }
e2e_poll 100 engine_loaded || e2e_fail "the banner's web engine was not loaded"
engine_running() { pgrep -P "$first" QtWebEngineProc >/dev/null || ! kill -0 "$first" 2>/dev/null; }
e2e_poll 200 engine_running || e2e_fail "the web engine's processes did not start"
kill -0 "$first" 2>/dev/null || e2e_fail "quabrel ended once the web engine started: $(cat "$e2e_work/first.log")"

start=$(date +%s%N)
timeout 10 "${e2e_env[@]}" "$quabrel" >"$e2e_work/second.log" 2>&1 || e2e_fail "second copy: status $?"
elapsed=$((($(date +%s%N) - start) / 1000000))
echo "second copy ended after ${elapsed} ms"
((elapsed < 3000)) || e2e_fail "the second copy took too long"
[[ ! -s $e2e_work/second.log ]] || e2e_fail "the second copy printed: $(cat "$e2e_work/second.log")"
kill -0 "$first" 2>/dev/null || e2e_fail "the first copy ended"

xdotool key Escape
ended() { ! kill -0 "$first" 2>/dev/null; }
e2e_poll 100 ended || e2e_fail "Escape did not end quabrel"
wait "$first" && status=0 || status=$?
((status == 0)) || e2e_fail "quabrel ended with status $status: $(cat "$e2e_work/first.log")"
echo "PASS"
