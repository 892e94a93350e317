#!/usr/bin/env bash
# Installs a quabrel Debian package on a Debian 12 that holds nothing but the
# minimal base system (debootstrap's minbase, in a chroot), the way a user
# would: `apt-get install ./quabrel_*.deb`. It proves that the package's
# dependencies alone bring everything the program needs: it installs, both
# binaries find every library, the GStreamer elements for cameras,
# microphones and the files the open dialog offers are there, the shipped
# sample media decode, the desktop entry is valid, and the program starts on
# a virtual display, shows its window with an empty camera list (there is no
# camera), brings up the web engine of its banner, and is still running when
# stopped after 15 s.
#
# gstreamer1.0-tools, desktop-file-utils, xvfb and xauth are installed in the
# chroot only after the package's own install and library checks, to look;
# they are not something the package needs. The program runs in a network
# namespace of its own, so it neither sees nor disturbs a copy of quabrel or
# an X server of the host (both use abstract sockets).
#
# Takes about 2.5 minutes on a fresh run here (debootstrap about 1 minute,
# then 365 MB of downloads; a slower mirror makes it longer); with --cache, a
# later run reuses the base system and the downloaded packages. Needs root,
# debootstrap and the Debian mirror that this machine's apt uses.
#
#   bash tools/deb_chroot_check.sh [options] PACKAGE.deb
#     --cache DIR         keep the base system and apt's downloads in DIR and
#                         reuse them; every run still starts from a copy of
#                         the untouched base
#     --mirror URL        Debian mirror (default: the host's apt sources)
#     --logs DIR          where the logs, the program's output and a picture
#                         of its screen go (default: a new folder in /tmp)
#     --no-recommends     install without the Recommends, as machines that
#                         turn them off do
#     --keep              leave the chroot in place afterwards
# Exit status 0 when every check passed, 1 when one failed (all are run and
# listed first), 2 when the checks could not be made.
set -euo pipefail

usage() { sed -n '/^#   bash/,/^# Exit/p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2; }
die() { echo "error: $*" >&2; exit 2; }

cache="" mirror="" logs="" keep=no recommends=yes deb=""
while (($#)); do
  case $1 in
    --cache) cache=${2:?--cache needs a folder}; shift 2 ;;
    --mirror) mirror=${2:?--mirror needs a URL}; shift 2 ;;
    --logs) logs=${2:?--logs needs a folder}; shift 2 ;;
    --no-recommends) recommends=no; shift ;;
    --keep) keep=yes; shift ;;
    -h | --help) usage ;;
    -*) echo "unknown option $1" >&2; usage ;;
    *) [[ -z $deb ]] || usage; deb=$1; shift ;;
  esac
done
[[ -n $deb ]] || usage
[[ -f $deb ]] || die "no such file: $deb"
deb=$(realpath "$deb")
((EUID == 0)) || die "needs root (debootstrap, chroot and mount)"
for tool in debootstrap chroot unshare dpkg-deb mount umount; do
  command -v "$tool" >/dev/null || die "$tool is not installed (apt-get install debootstrap)"
done
[[ $(dpkg-deb -f "$deb" Package) == quabrel ]] || die "$deb is not a quabrel package"
deb_name=$(basename "$deb")

started=$SECONDS
stage() { printf '[%02d:%02d] %s\n' $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)) "$*"; }

# ---------------------------------------------------------------- mirror

# "URI SUITE" for every Debian source that apt on this machine reads, in
# both the one-line and the deb822 format.
host_sources() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f ]] || continue
    sed -E -n 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+)[[:space:]]+([^[:space:]]+).*/\2 \3/p' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f $f ]] || continue
    awk '
      function flush(   i, j, nu, ns, u, s) {
        if (types ~ /(^| )deb( |$)/ && enabled != "no") {
          nu = split(uris, u, " "); ns = split(suites, s, " ")
          for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++) print u[i], s[j]
        }
        types = uris = suites = enabled = ""
      }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      { key = tolower($1); sub(/^[^:]*:[[:space:]]*/, "") }
      key == "types:" { types = $0 }
      key == "uris:" { uris = $0 }
      key == "suites:" { suites = $0 }
      key == "enabled:" { enabled = tolower($0) }
      END { flush() }' "$f"
  done
}
if [[ -z $mirror ]]; then
  mirror=$(host_sources | awk '$2 == "bookworm" { print $1; exit }')
  [[ -n $mirror ]] || die "no bookworm source in /etc/apt/sources.list{,.d}: pass --mirror URL"
fi
security=$(host_sources | awk '$2 == "bookworm-security" { print $1; exit }')

# ---------------------------------------------------------------- folders

if [[ -z $logs ]]; then
  logs=$(mktemp -d /tmp/quabrel-deb-check.XXXXXX)
else
  mkdir -p "$logs"
  logs=$(realpath "$logs")
fi
if [[ -n $cache ]]; then
  mkdir -p "$cache"
  cache=$(realpath "$cache")
  root=$cache/run
else
  work=$(realpath "$(mktemp -d /var/tmp/quabrel-chroot.XXXXXX)")
  root=$work/root
fi
# Paths go through /proc/self/mounts, which escapes blanks, and rm -rf.
[[ $root != *[[:space:]]* && $logs != *[[:space:]]* ]] || die "folder names must not contain blanks"

# Mount points under the chroot, deepest first.
mounts_under() {
  awk -v root="$1" '$2 == root || index($2, root "/") == 1 { print $2 }' /proc/self/mounts | sort -r
}
unmount_all() {
  local point
  for point in $(mounts_under "$1"); do
    umount "$point" 2>/dev/null || umount -l "$point" || true
  done
}
# Whatever still runs with the chroot as its root: only this script starts
# programs there.
stop_chroot_processes() {
  local link pid
  [[ -d $root ]] || return 0
  for link in /proc/[0-9]*/root; do
    [[ $(readlink "$link" 2>/dev/null) == "$root" ]] || continue
    pid=${link#/proc/}; pid=${pid%/root}
    kill -KILL "$pid" 2>/dev/null || true
  done
}
# Deletes a chroot tree only once nothing is mounted in it: a mount left in
# place would have the host's files deleted through it.
remove_tree() {
  unmount_all "$1"
  if [[ -n $(mounts_under "$1") ]]; then
    echo "warning: $1 still has mounts; left in place" >&2
    return 1
  fi
  rm -rf --one-file-system "$1"
}
cleanup() {
  local rc=$?
  set +e
  stop_chroot_processes
  unmount_all "$root"
  if [[ $keep == yes ]]; then
    echo "chroot kept in $root"
  elif [[ -n $cache ]]; then
    remove_tree "$root"
  else
    remove_tree "$root" && rmdir "$work"
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------- base system

bootstrap() {
  local target=$1
  stage "debootstrap --variant=minbase bookworm from $mirror (log: $logs/debootstrap.log)"
  if ! debootstrap --variant=minbase bookworm "$target" "$mirror" >"$logs/debootstrap.log" 2>&1; then
    tail -n 20 "$logs/debootstrap.log" >&2
    die "debootstrap failed"
  fi
}
if [[ -n $cache ]]; then
  # The base is made once; each run works on a copy so that it starts from a
  # system on which nothing has been installed yet.
  if [[ ! -f $cache/base.ready ]]; then
    remove_tree "$cache/base" || die "could not clear $cache/base"
    bootstrap "$cache/base"
    echo "$mirror" >"$cache/base.ready"
  else
    stage "reusing the base system in $cache/base (made from $(cat "$cache/base.ready"))"
  fi
  remove_tree "$root" || die "could not clear $root"
  cp -a "$cache/base" "$root"
  mkdir -p "$cache/archives/partial"
else
  bootstrap "$root"
fi

# The sources of an installed Debian 12: the release, its updates and, when
# the host has them, the security updates.
{
  echo "deb $mirror bookworm main"
  echo "deb $mirror bookworm-updates main"
  [[ -z $security ]] || echo "deb $security bookworm-security main"
} >"$root/etc/apt/sources.list"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# Packages' scripts must not start services in the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# Without a terminal of its own, dpkg's progress would need /dev/pts.
echo 'Dpkg::Use-Pty "0";' >"$root/etc/apt/apt.conf.d/90quabrel-check"

mount -t proc proc "$root/proc"
mount -t tmpfs -o mode=1777,size=256m tmpfs "$root/dev/shm"
if [[ -n $cache ]]; then
  mount --bind "$cache/archives" "$root/var/cache/apt/archives"
fi

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@" </dev/null
}

failures=()
fail() { failures+=("$*"); echo "FAIL: $*"; }
ok() { echo "ok: $*"; }

# ---------------------------------------------------------------- install

cp "$deb" "$root/tmp/$deb_name"
chmod 644 "$root/tmp/$deb_name"
apt_options=(-y)
[[ $recommends == yes ]] || apt_options+=(--no-install-recommends)
stage "apt-get update"
in_root apt-get update >"$logs/apt-update.log" 2>&1 || { cat "$logs/apt-update.log" >&2; die "apt-get update failed"; }
stage "apt-get install ${apt_options[*]} ./$deb_name (log: $logs/apt-install.log)"
if in_root sh -c "cd /tmp && apt-get install ${apt_options[*]} ./$deb_name" >"$logs/apt-install.log" 2>&1; then
  ok "apt-get install"
else
  tail -n 30 "$logs/apt-install.log"
  fail "apt-get install failed"
fi
install_summary=$(grep -E '^[0-9]+ upgraded, [0-9]+ newly installed|^Need to get|^After this operation' "$logs/apt-install.log" || true)
echo "$install_summary"

# ---------------------------------------------------------------- files and libraries

stage "package and libraries"
if in_root dpkg -s quabrel >"$logs/dpkg-s.txt" 2>&1 && grep -qx 'Status: install ok installed' "$logs/dpkg-s.txt"; then
  ok "dpkg -s: quabrel $(awk '$1 == "Version:" { print $2 }' "$logs/dpkg-s.txt") is installed"
else
  fail "dpkg does not list quabrel as installed"
fi
target=$(in_root readlink -f /usr/bin/quabrel || true)
if [[ $target == /usr/lib/quabrel/quabrel ]]; then
  ok "/usr/bin/quabrel -> $target"
else
  fail "/usr/bin/quabrel resolves to '${target}', not /usr/lib/quabrel/quabrel"
fi
for binary in /usr/lib/quabrel/quabrel /usr/lib/quabrel/quabrel_webview.so; do
  name=$(basename "$binary")
  if ! in_root ldd "$binary" >"$logs/ldd-$name.txt" 2>&1; then
    fail "ldd $binary failed: $(head -n 3 "$logs/ldd-$name.txt")"
  elif grep -q 'not found' "$logs/ldd-$name.txt"; then
    fail "$binary lacks libraries: $(grep 'not found' "$logs/ldd-$name.txt" | awk '{print $1}' | tr '\n' ' ')"
  else
    ok "ldd $binary: $(grep -c '=>' "$logs/ldd-$name.txt") libraries, none missing"
  fi
done

# ---------------------------------------------------------------- GStreamer

stage "installing gstreamer1.0-tools and desktop-file-utils, for the checks only"
in_root apt-get install -y --no-install-recommends gstreamer1.0-tools desktop-file-utils \
  >"$logs/apt-check-tools.log" 2>&1 || { tail -n 20 "$logs/apt-check-tools.log" >&2; die "could not install the check tools"; }

# Each line: the element, or alternatives split by |, that the program asks
# for, and the package meant to bring it. Cameras, the picture path, file
# playback (avi, mov, mpg, wav, mp3, aiff, au, bmp, jpg, gif, png), sound
# out and microphones.
elements='
v4l2src                            gstreamer1.0-plugins-good
capsfilter                         libgstreamer1.0-0
videoconvert                       gstreamer1.0-plugins-base
videoconvertscale                  gstreamer1.0-plugins-base
appsink                            gstreamer1.0-plugins-base
playbin                            gstreamer1.0-plugins-base
audioconvert                       gstreamer1.0-plugins-base
audioresample                      gstreamer1.0-plugins-base
volume                             gstreamer1.0-plugins-base
jpegdec                            gstreamer1.0-plugins-good
pngdec                             gstreamer1.0-plugins-good
gdkpixbufdec                       gstreamer1.0-plugins-good
avidemux                           gstreamer1.0-plugins-good
qtdemux                            gstreamer1.0-plugins-good
wavparse                           gstreamer1.0-plugins-good
mpegpsdemux                        gstreamer1.0-plugins-bad
mpeg2dec|avdec_mpeg2video          gstreamer1.0-plugins-ugly|gstreamer1.0-libav
mpg123audiodec|avdec_mp3           gstreamer1.0-plugins-good|gstreamer1.0-libav
avdemux_aiff                       gstreamer1.0-libav
autoaudiosink                      gstreamer1.0-plugins-good
pulsesrc|alsasrc                   gstreamer1.0-plugins-good|gstreamer1.0-alsa
'
stage "GStreamer elements"
while read -r wanted package; do
  [[ -n $wanted ]] || continue
  found=""
  for element in ${wanted//|/ }; do
    if in_root gst-inspect-1.0 --exists "$element" 2>/dev/null; then found=$element; break; fi
  done
  if [[ -n $found ]]; then
    # dpkg knows the plugin by its /usr path; GStreamer may report /lib.
    file=$(in_root gst-inspect-1.0 "$found" 2>/dev/null | awk '$1 == "Filename" { print $2 }')
    owner=$(in_root dpkg -S "$(in_root readlink -f "$file")" 2>/dev/null | cut -d: -f1 || true)
    ok "element $found (${owner:-?})"
  else
    fail "no GStreamer element ${wanted//|/ or }; it comes with ${package//|/ or }, which nothing installed"
  fi
done <<<"$elements"

# The sample media the package ships, decoded as far as a sink: a buffer
# reaching it shows that demuxer and decoder work, not only that they exist.
stage "decoding the shipped samples"
decodes() {  # name, pipeline...
  local name=$1; shift
  if in_root timeout 60 gst-launch-1.0 -v "$@" >"$logs/decode-$name.log" 2>&1 &&
     grep -q 'last-message = chain' "$logs/decode-$name.log"; then
    ok "$name decodes"
  else
    fail "$name does not decode: $(grep -m 3 -E 'ERROR|WARNING' "$logs/decode-$name.log" | tr '\n' ' ')"
  fi
}
samples=/usr/share/quabrel/samples
decodes bouncing-ball.avi playbin "uri=file://$samples/bouncing-ball.avi" \
  "video-sink=fakesink silent=false" "audio-sink=fakesink silent=false"
decodes chime.wav playbin "uri=file://$samples/chime.wav" \
  "video-sink=fakesink silent=false" "audio-sink=fakesink silent=false"
# The program has BMP decoded by the pixbuf decoder, so that one is named.
decodes colour-chart.bmp filesrc "location=$samples/colour-chart.bmp" ! gdkpixbufdec ! fakesink silent=false

# ---------------------------------------------------------------- desktop entry

stage "desktop entry"
if in_root test -f /usr/share/applications/quabrel.desktop; then
  if in_root desktop-file-validate /usr/share/applications/quabrel.desktop >"$logs/desktop-file-validate.log" 2>&1; then
    ok "quabrel.desktop is valid"
  else
    fail "desktop-file-validate: $(cat "$logs/desktop-file-validate.log")"
  fi
else
  fail "no /usr/share/applications/quabrel.desktop"
fi

# ---------------------------------------------------------------- start

stage "installing xvfb and xauth, for the start only"
in_root apt-get install -y --no-install-recommends xvfb xauth \
  >"$logs/apt-xvfb.log" 2>&1 || { tail -n 20 "$logs/apt-xvfb.log" >&2; die "could not install xvfb"; }

stage "starting /usr/bin/quabrel on a virtual display"
install -d -m 700 "$root/tmp/runtime-root"
install -d "$root/tmp/screen"
rm -f "$logs/screen.xwd" "$logs/screen.png"
# xvfb-run's -e gets the server's own complaints; the program's go to its
# own files.
unshare --net chroot "$root" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
  XDG_RUNTIME_DIR=/tmp/runtime-root QT_QPA_PLATFORM=xcb \
  xvfb-run -a -e /tmp/xvfb.log -s "-screen 0 1280x1024x24 -fbdir /tmp/screen" \
  timeout -k 5 15 /usr/bin/quabrel >"$logs/quabrel.stdout" 2>"$logs/quabrel.stderr" &
runner=$!
sleep 8
# The program and the web engine's helper process, found by their root.
chroot_pids() {  # command name as in /proc/PID/comm
  local link pid
  for link in /proc/[0-9]*/root; do
    [[ $(readlink "$link" 2>/dev/null) == "$root" ]] || continue
    pid=${link#/proc/}; pid=${pid%/root}
    [[ $(cat "/proc/$pid/comm" 2>/dev/null) == "$1" ]] && echo "$pid"
  done
  return 0
}
alive=$(chroot_pids quabrel | head -n 1)
if [[ -n $alive ]]; then
  ok "quabrel (pid $alive) is running after 8 s"
  cp "$root/tmp/screen/Xvfb_screen0" "$logs/screen.xwd" 2>/dev/null || true
  # The banner: the web engine library loaded and its helper process up.
  if grep -q quabrel_webview "/proc/$alive/maps" 2>/dev/null && [[ -n $(chroot_pids QtWebEngineProc) ]]; then
    ok "the banner's web engine is loaded and its helper process runs"
  else
    fail "the banner's web engine did not come up (quabrel_webview not loaded or no QtWebEngineProcess)"
  fi
  # The bare screen is black: a window leaves several hundred thousand
  # bytes of colour in the frame buffer, the pointer a few hundred.
  painted=$(tail -c +4096 "$logs/screen.xwd" 2>/dev/null | tr -d '\0' | wc -c)
  if ((painted > 100000)); then
    ok "the screen shows a window ($painted non-zero bytes in the frame buffer)"
  else
    fail "the screen is empty after 8 s ($painted non-zero bytes in the frame buffer)"
  fi
else
  fail "quabrel is not running 8 s after its start"
fi
status=0
wait "$runner" || status=$?
if ((status == 124)); then
  ok "quabrel ran until timeout stopped it (exit status 124)"
else
  fail "quabrel ended with status $status, not by timeout's 124"
fi
cp "$root/tmp/xvfb.log" "$logs/xvfb.log" 2>/dev/null || true
if [[ -f $logs/screen.xwd ]] && convert -version 2>/dev/null | grep -q 'Version: ImageMagick'; then
  convert "xwd:$logs/screen.xwd" "$logs/screen.png" 2>/dev/null || true
fi

# ---------------------------------------------------------------- summary

echo
echo "== apt-get install ./$deb_name on debootstrap minbase bookworm ($mirror)"
echo "$install_summary"
echo "== quabrel's output (stdout, then stderr)"
cat "$logs/quabrel.stdout" "$logs/quabrel.stderr"
echo "== logs: $logs"
stage "done"
if ((${#failures[@]})); then
  echo "${#failures[@]} check(s) failed:"
  printf '  %s\n' "${failures[@]}"
  exit 1
fi
echo "all checks passed"
