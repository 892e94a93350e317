#!/usr/bin/env bash
# The real program on a virtual X display: it starts, shows its shaped window
# centred, turns a second copy away at once, and ends on Escape.
set -euo pipefail
quabrel=$1 screenshot=$2
width=1280 height=1024

fail() { echo "FAIL: $*" >&2; exit 1; }

for n in $(seq 91 140); do [[ -e /tmp/.X$n-lock ]] || { display=:$n; break; }; done
[[ -n ${display:-} ]] || fail "no free display number"
work=$(mktemp -d)
Xvfb "$display" -screen 0 ${width}x${height}x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  [[ -n ${first:-} ]] && kill "$first" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=$display XDG_RUNTIME_DIR=$work
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"

# Starts quabrel and waits for its window. A freshly started display server
# under load has once refused the toolkit's connection although it answered
# xdpyinfo: one more start is allowed for that case only, and said.
start_first() {
  "$quabrel" >"$work/first.log" 2>&1 &
  first=$!
  for _ in $(seq 300); do
    xwininfo -name quabrel 2>/dev/null | grep -q 'IsViewable' && return 0
    kill -0 "$first" 2>/dev/null || return 1
    sleep 0.1
  done
  return 0
}
if ! start_first; then
  wait "$first" 2>/dev/null || true
  grep -q 'cannot open a display' "$work/first.log" && xdpyinfo >/dev/null 2>&1 ||
    fail "quabrel ended early: $(cat "$work/first.log")"
  echo "the display refused the first connection; starting again (server log: $(tail -n 3 "$work/xvfb.log"))"
  sleep 1
  start_first || fail "quabrel ended early: $(cat "$work/first.log")"
fi
info=$(xwininfo -name quabrel) || fail "no window named quabrel"
x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
w=$(awk '/Width:/ {print $NF}' <<<"$info")
h=$(awk '/Height:/ {print $NF}' <<<"$info")
echo "window ${w}x${h} at $x,$y"
((x == width / 2 - w / 2 && y == height / 2 - h / 2)) || fail "not centred"

# Shaped: the top-left corner lies outside the outline, so the screen's own
# black shows there; inside, beside the title, the skin's background.
# Mapped is not yet painted: wait for the skin to appear.
for _ in $(seq 100); do
  pixels=($("$screenshot" probe "$x" "$y" $((x + 300)) $((y + 60)) 2>/dev/null))
  corner=${pixels[0]:-} inside=${pixels[1]:-}
  [[ -n $inside && $inside != "#000000" ]] && break
  sleep 0.1
done
echo "corner $corner, inside $inside"
[[ -n $inside && $inside != "#000000" ]] || fail "the window shows nothing"
[[ $corner == "#000000" ]] || fail "the corner is painted: the window is not shaped"

# The banner's web engine comes up once the window is on screen, running
# as whatever user this is (root included).
for _ in $(seq 100); do grep -q quabrel_webview "/proc/$first/maps" 2>/dev/null && break; sleep 0.1; done
grep -q quabrel_webview "/proc/$first/maps" || fail "the banner's web engine was not loaded"
sleep 2
kill -0 "$first" 2>/dev/null || fail "quabrel ended once the web engine started: $(cat "$work/first.log")"

start=$(date +%s%N)
timeout 10 "$quabrel" >"$work/second.log" 2>&1 || fail "second copy: status $?"
elapsed=$((($(date +%s%N) - start) / 1000000))
echo "second copy ended after ${elapsed} ms"
((elapsed < 3000)) || fail "the second copy took too long"
[[ ! -s $work/second.log ]] || fail "the second copy printed: $(cat "$work/second.log")"
kill -0 "$first" 2>/dev/null || fail "the first copy ended"

xdotool key Escape
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$first" 2>/dev/null; then fail "Escape did not end quabrel"; fi
wait "$first" && status=0 || status=$?
first=
((status == 0)) || fail "quabrel ended with status $status: $(cat "$work/first.log")"
echo "PASS"
