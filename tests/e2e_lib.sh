# Shared by the end-to-end scripts (sourced): a virtual display of their own,
# a window manager on it, the program started with an environment made here
# and not inherited, polling helpers, and clean-up on every way out.

e2e_fail() { echo "FAIL: $*" >&2; exit 1; }

# Polls `command...` every 0.1 s until it succeeds or `tries` polls have
# failed.
e2e_poll() {
  local tries=$1; shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  "$@"
}

e2e_work=$(mktemp -d)
e2e_pids=()  # ended in reverse order on the way out
e2e_cleanup() {
  local i
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do kill "${e2e_pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$e2e_work"
}
trap e2e_cleanup EXIT

# Starts Xvfb of `width`x`height` on the first display number from 91 that
# is free, and points DISPLAY at it for the tools this script runs.
e2e_start_display() {
  local width=$1 height=$2 n
  for n in $(seq 91 160); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    # -noreset: by default the server resets whenever its last client
    # leaves (xdpyinfo below, for one) and refuses connections meanwhile.
    Xvfb ":$n" -screen 0 "${width}x${height}x24" -nolisten tcp -noreset >"$e2e_work/xvfb.log" 2>&1 &
    local server=$! _
    # Another run may have taken the number since it was looked at: the
    # server then ends at once and the next number is tried.
    for _ in $(seq 100); do
      kill -0 "$server" 2>/dev/null || break
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        e2e_pids+=("$server")
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  done
  e2e_fail "no virtual display could be started: $(cat "$e2e_work/xvfb.log")"
}

# Starts openbox on DISPLAY, with a home of its own, and waits until it
# manages the screen.
e2e_start_window_manager() {
  mkdir -p "$e2e_work/wm-home"
  HOME="$e2e_work/wm-home" openbox >"$e2e_work/openbox.log" 2>&1 &
  e2e_pids+=("$!")
  e2e_poll 100 e2e_window_manager_running || e2e_fail "openbox did not start: $(cat "$e2e_work/openbox.log")"
}
e2e_window_manager_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# The program's whole environment: the X display made here on the X11
# platform, a home and runtime folder of this run, and nothing else of the
# caller's (not its display, Wayland session, toolkit platform or scaling).
# Sanitized builds keep their settings. Extra NAME=VALUE words may follow.
e2e_program_env() {
  mkdir -p "$e2e_work/home" && mkdir -p -m 700 "$e2e_work/runtime"
  e2e_env=(env -i "PATH=/usr/local/bin:/usr/bin:/bin" "HOME=$e2e_work/home" "DISPLAY=$DISPLAY"
    "XDG_RUNTIME_DIR=$e2e_work/runtime" QT_QPA_PLATFORM=xcb "${e2e_sanitizer_env[@]}" "$@")
}
e2e_sanitizer_env=()
for e2e_name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
  [[ -n ${!e2e_name:-} ]] && e2e_sanitizer_env+=("$e2e_name=${!e2e_name}")
done

# The program's window. The toolkit and the web engine keep hidden helper
# windows that carry the same name, so only a mapped one counts.
e2e_window_id() { xdotool search --onlyvisible --name '^quabrel$' 2>/dev/null | head -n 1; }
e2e_window_viewable() {
  local id
  id=$(e2e_window_id) && [[ -n $id ]] && xwininfo -id "$id" 2>/dev/null | grep -q IsViewable
}

# Sets win_x, win_y, win_w, win_h to the window's place on the screen. When
# the banner's engine starts, the toolkit replaces the window's X window by
# a new one in the same place; in between there is none for a moment, which
# is waited out.
e2e_window_geometry() { e2e_poll 50 e2e_window_geometry_now; }
e2e_window_geometry_now() {
  local id info
  id=$(e2e_window_id) && [[ -n $id ]] || return 1
  info=$(xwininfo -id "$id" 2>/dev/null) || return 1
  win_x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  win_y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  win_w=$(awk '/Width:/ {print $NF}' <<<"$info")
  win_h=$(awk '/Height:/ {print $NF}' <<<"$info")
}

# Succeeds once the banner's web engine is loaded into process `pid` and its
# helper processes run.
e2e_engine_up() { grep -q quabrel_webview "/proc/$1/maps" 2>/dev/null && pgrep -P "$1" QtWebEngineProc >/dev/null; }

# Screen colour (#rrggbb) at window point x y; needs the screenshot tool in
# $screenshot and e2e_window_geometry run before. The tool too sees only the
# display made here.
e2e_pixel() {
  mkdir -p -m 700 "$e2e_work/tool-runtime"
  env -i "DISPLAY=$DISPLAY" QT_QPA_PLATFORM=xcb "XDG_RUNTIME_DIR=$e2e_work/tool-runtime" "${e2e_sanitizer_env[@]}" \
    "$screenshot" probe $((win_x + $1)) $((win_y + $2)) 2>/dev/null
}

# "r g b" in decimal at window point x y; fails when nothing was read.
e2e_rgb() {
  local colour
  colour=$(e2e_pixel "$1" "$2") && [[ -n $colour ]] || return 1
  echo "$((16#${colour:1:2})) $((16#${colour:3:2})) $((16#${colour:5:2}))"
}

# Succeeds once the colour at window point x y is no longer `colour`.
e2e_pixel_differs() { [[ $(e2e_pixel "$1" "$2") != "$3" ]]; }

# Starts `executable` with the environment e2e_program_env made (its output
# in $e2e_work/quabrel.log, its pid in $program), waits for its window, sets
# the window's geometry and gives it the focus. alive() tells whether it
# still runs.
e2e_start_program() {
  "${e2e_env[@]}" "$1" >"$e2e_work/quabrel.log" 2>&1 &
  program=$!
  e2e_pids+=("$program")
  e2e_poll 300 e2e_program_shown || true
  alive || e2e_fail "quabrel ended early: $(cat "$e2e_work/quabrel.log")"
  e2e_window_geometry || e2e_fail "no window named quabrel"
  xdotool windowactivate --sync "$(e2e_window_id)" >/dev/null 2>&1 || true
}
alive() { kill -0 "$program" 2>/dev/null; }
e2e_program_shown() { e2e_window_viewable || ! alive; }

# Runs `action` until `effect` holds, `tries` times at most, polling the
# effect `polls` times after each: a click that lands while the toolkit
# replaces the window's X window (or under a tracer's slowness) is lost.
e2e_retry() {  # tries, polls per try, action, effect
  local tries=$1 polls=$2 action=$3 effect=$4
  for _ in $(seq "$tries"); do
    $action
    e2e_poll "$polls" "$effect" && return 0
  done
  return 1
}

# Starts trayer (a notification area) on DISPLAY and waits for its panel.
e2e_start_tray_host() {
  trayer --edge top --align right --widthtype request --height 32 >"$e2e_work/trayer.log" 2>&1 &
  e2e_pids+=("$!")
  e2e_poll 100 e2e_tray_panel_up || e2e_fail "the notification area did not start: $(cat "$e2e_work/trayer.log")"
}
e2e_tray_panel_up() { xdotool search --name '^panel$' >/dev/null 2>&1; }
# Sets icon_x, icon_y to the middle of the program's icon in the panel.
e2e_icon_centre() {
  local info width height
  info=$(xwininfo -id "$(xdotool search --name '^panel$' | head -n 1)") || return 1
  icon_x=$(awk '/Absolute upper-left X/ {print $NF}' <<<"$info")
  icon_y=$(awk '/Absolute upper-left Y/ {print $NF}' <<<"$info")
  width=$(awk '/Width:/ {print $NF}' <<<"$info") height=$(awk '/Height:/ {print $NF}' <<<"$info")
  ((width >= 16)) || return 1
  icon_x=$((icon_x + width / 2)) icon_y=$((icon_y + height / 2))
}

# Runs the program under strace, every change to the file system recorded
# in $e2e_work/trace; $tracer is the tracer's pid, and once the program
# runs, $program its own. The environment is e2e_program_env's.
e2e_start_traced() {
  local calls executable
  mkdir -p "$e2e_work/trace"
  calls=open,openat,openat2,creat,mkdir,mkdirat,rename,renameat,renameat2,link,linkat,symlink,symlinkat
  calls+=,unlink,unlinkat,rmdir,truncate,ftruncate,fallocate,write,writev,pwrite64,pwritev,pwritev2
  calls+=,chmod,fchmod,fchmodat,mknod,mknodat,utimensat,execve
  strace -f -ff -qq -y -s 40 -e trace=$calls -e signal=none -o "$e2e_work/trace/t" \
    "${e2e_env[@]}" "$1" >"$e2e_work/quabrel.log" 2>&1 &
  tracer=$!
  e2e_pids+=("$tracer")
  e2e_traced_executable=$(realpath "$1")
  e2e_poll 300 e2e_traced_started || true
  program=$(e2e_traced_child) || e2e_fail "quabrel did not start: $(cat "$e2e_work/quabrel.log")"
}
# The tracer's one child, once it runs the program.
e2e_traced_child() {
  local child
  child=$(pgrep -P "$tracer") && [[ $(readlink "/proc/$child/exe") == "$e2e_traced_executable" ]] && echo "$child"
}
e2e_traced_started() { e2e_traced_child >/dev/null || ! kill -0 "$tracer" 2>/dev/null; }

# After the traced program ended: fails when it changed a file outside its
# runtime folder `runtime` and the system's pseudo-files, or left anything
# in its home `home`. The web engine's helper process makes an empty
# "locales" folder beside itself whatever it is told (only root may, and it
# is made once): the one change allowed elsewhere.
e2e_check_no_writes() {  # runtime, home
  local helper allowed changed left
  helper=$(grep -ohs 'execve("[^"]*QtWebEngineProcess"' "$e2e_work"/trace/t.* | head -n 1 | cut -d'"' -f2)
  allowed=("$1/" /dev/ /proc/)
  [[ -n $helper ]] && allowed+=("mkdir:$(dirname "$helper")/locales")
  if ! changed=$(python3 "$(dirname "${BASH_SOURCE[0]}")/trace_writes.py" "$e2e_work/trace" "${allowed[@]}"); then
    echo "$changed" | sort | uniq -c | sort -rn | head -n 40 >&2
    e2e_fail "quabrel changed files (above: how often, process trace, call, path)"
  fi
  left=$(find "$2" -mindepth 1 | head -n 20)
  [[ -z $left ]] || e2e_fail "quabrel left files in its home: $left"
}

# A PipeWire daemon with its session manager and a message bus of their
# own, in runtime folder `runtime` (the program's): the PipeWire camera's
# readers find it there.
e2e_start_pipewire() {  # runtime
  local runtime=$1
  mkdir -p -m 700 "$runtime"
  XDG_RUNTIME_DIR=$runtime dbus-daemon --session --nofork --nopidfile --address="unix:path=$runtime/bus" \
    >/dev/null 2>&1 &
  e2e_pids+=("$!")
  XDG_RUNTIME_DIR=$runtime pipewire >"$e2e_work/pipewire.log" 2>&1 &
  e2e_pids+=("$!")
  e2e_pipewire_runtime=$runtime
  e2e_poll 100 e2e_pipewire_socket_up || e2e_fail "pipewire did not start: $(cat "$e2e_work/pipewire.log")"
  XDG_RUNTIME_DIR=$runtime DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime/bus" wireplumber >/dev/null 2>&1 &
  e2e_pids+=("$!")
  e2e_poll 100 e2e_pipewire_managed || e2e_fail "wireplumber did not join the PipeWire session"
}
e2e_pipewire_socket_up() { [[ -S $e2e_pipewire_runtime/pipewire-0 && -S $e2e_pipewire_runtime/bus ]]; }
e2e_pipewire_managed() { XDG_RUNTIME_DIR=$e2e_pipewire_runtime pw-dump 2>/dev/null | grep -q '"WirePlumber"'; }

# Opens `path` through the Open file button's popup entry `entry` (1 video,
# 2 sound, 3 picture) and the toolkit's file dialog, as a user types it.
# The button is at window point 296,371.
e2e_open_file() {  # entry, path
  local keys=() i
  for ((i = 0; i < $1; i++)); do keys+=(Down); done
  xdotool mousemove $((win_x + 296)) $((win_y + 371)) click 1
  sleep 0.5
  xdotool key "${keys[@]}" Return
  e2e_poll 100 e2e_file_dialog_up || e2e_fail "the file dialog did not open"
  # Mapped is not yet ready for keys: a slow (sanitized) program loses the
  # first ones.
  sleep 1
  xdotool type --delay 20 "$2"
  xdotool key Return
}
e2e_file_dialog_up() { xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1; }

# Ends the traced program with Escape and fails unless it ends well.
e2e_escape_traced() {
  xdotool key Escape
  e2e_poll 300 e2e_tracer_done || e2e_fail "Escape did not end quabrel"
  local status
  wait "$tracer" && status=0 || status=$?
  ((status == 0)) || e2e_fail "quabrel ended with status $status: $(cat "$e2e_work/quabrel.log")"
}
e2e_tracer_done() { ! kill -0 "$tracer" 2>/dev/null; }
