#!/usr/bin/env bash
# Runs a command inside a desktop session of its own, as browsers need one to
# use a PipeWire camera: a session bus, PipeWire with its session manager, a
# virtual display, the permission store with the camera already allowed (no
# user is there to answer), and xdg-desktop-portal with its GTK back-end,
# which provides the Camera portal. Everything lives in a runtime folder of
# its own and ends with the command.
#
#   desktop_session.sh <command> [arguments...]
set -uo pipefail

work=$(mktemp -d)
chmod 700 "$work"
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
mkdir -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$HOME" "$work/log"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
# The portal picks its back-ends by desktop name: the GTK one serves GNOME.
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=x11 GTK_USE_PORTAL=0 NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
unset WAYLAND_DISPLAY PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR

pids=()
cleanup() {
  local rc=$? i
  trap - EXIT
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null; done
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

fail() {
  echo "desktop session: $*" >&2
  for f in "$work"/log/*.log; do echo "== $(basename "$f")" >&2; tail -n 15 "$f" >&2; done
  exit 1
}
wait_for() {  # seconds, command...
  local tries=$(($1 * 10)); shift
  while ((tries-- > 0)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true
}
start() {  # log name, command...
  local name=$1; shift
  "$@" >"$work/log/$name.log" 2>&1 &
  pids+=("$!")
}

export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
start bus dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS"
wait_for 5 test -S "$XDG_RUNTIME_DIR/bus" || fail "no session bus"

# The portal's GTK back-end needs a display.
for n in $(seq 161 240); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  start display Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset
  export DISPLAY=":$n"
  wait_for 10 test -S "/tmp/.X11-unix/X$n" && break
  unset DISPLAY
done
[[ -n ${DISPLAY:-} ]] || fail "no virtual display"

start pipewire pipewire
wait_for 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || fail "PipeWire did not start"
start wireplumber wireplumber
wait_for 10 sh -c 'pw-cli ls Client | grep -qi wireplumber' || fail "WirePlumber did not join"

start permissions /usr/libexec/xdg-permission-store --replace
wait_for 10 owned org.freedesktop.impl.portal.PermissionStore || fail "no permission store"
# Programs outside a sandbox ask with the empty application id.
gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
  --object-path /org/freedesktop/impl/portal/PermissionStore \
  --method org.freedesktop.impl.portal.PermissionStore.SetPermission devices true camera "" "['yes']" >/dev/null ||
  fail "the camera permission was not stored"

start portal-gtk /usr/libexec/xdg-desktop-portal-gtk --replace
wait_for 10 owned org.freedesktop.impl.portal.desktop.gtk || fail "the portal's GTK back-end did not start"
start portal /usr/libexec/xdg-desktop-portal --replace
camera_portal() {
  gdbus introspect --session --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop |
    grep -q org.freedesktop.portal.Camera
}
wait_for 15 camera_portal || fail "the Camera portal did not appear"

"$@"
