#!/usr/bin/env bash
# Opens `page` in a headless Debian browser that reads PipeWire cameras
# through the desktop's camera portal, and prints the page's "QB ..."
# console lines on standard output, one a line, as they come, until the
# browser ends or this script is ended. Run inside desktop_session.sh.
#
#   browser_camera.sh chromium|firefox <page url>
#
# BROWSER_FAKE_CAMERA=1 gives Chromium its own test camera instead of the
# desktop's (labelled "fake_device_0").
set -euo pipefail
browser=$1 url=$2
profile=$(mktemp -d)
log=${BROWSER_LOG:-$profile/console.log}  # BROWSER_LOG keeps the browser's whole output
: >"$log"
pid=
cleanup() {
  [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$profile"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

case "$browser" in
chromium)
  # As root the browser's own sandbox cannot start. The fake UI only answers
  # the page's permission prompt: the camera is the real PipeWire one. The
  # network switches keep it from calling out, which this machine refuses.
  chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --use-fake-ui-for-media-stream --enable-features=WebRtcPipeWireCamera ${BROWSER_FAKE_CAMERA:+--use-fake-device-for-media-stream} \
    --user-data-dir="$profile/data" --enable-logging=stderr --v=0 "$url" 2>"$log" >/dev/null &
  pid=$!
  # [..:INFO:CONSOLE(..)] "QB frame ...", source: file:///... (..)
  filter='s/.*:CONSOLE[^"]*"\(QB .*\)", source: .*/\1/p'
  ;;
firefox)
  cat >"$profile/user.js" <<'PREFS'
user_pref("media.navigator.permission.disabled", true);
user_pref("media.webrtc.camera.allow-pipewire", true);
user_pref("devtools.console.stdout.content", true);
user_pref("media.autoplay.default", 0);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.enabled", false);
user_pref("app.update.enabled", false);
user_pref("app.normandy.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
PREFS
  firefox-esr --headless --no-remote --profile "$profile" "$url" >"$log" 2>&1 &
  pid=$!
  # console.log: "QB frame ..."
  filter='s/^console\.log: "\(QB .*\)"$/\1/p'
  ;;
*)
  echo "usage: browser_camera.sh chromium|firefox <page url>" >&2
  exit 2
  ;;
esac
# In the background, so that an end asked for (TERM) is taken at once and
# takes the browser with it; a foreground pipeline would hold the trap until
# the browser had ended by itself.
tail -n +1 -F --pid="$pid" "$log" 2>/dev/null | sed -un "$filter" &
wait "$!"
