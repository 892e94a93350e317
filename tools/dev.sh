#!/usr/bin/env bash
# Set-up, build and run for a Debian 12 machine, as root. Installs only the
# packages that are missing, so a prepared machine needs no network.
#
#   bash tools/dev.sh run    build quabrel and start it
#   bash tools/dev.sh test   build and run every test: an optimised build,
#                            an address/undefined-behaviour sanitizer build,
#                            a thread sanitizer build of the threaded parts,
#                            and a short pass of each fuzzer
#   bash tools/dev.sh bench  build the benchmarks optimised (build/bench), run
#                            them all and print one table of ratios against
#                            their anchors (full outputs: build/bench/results)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
jobs=$(nproc)

build_packages=(cmake ninja-build g++ pkg-config libpng-dev zlib1g-dev qt6-wayland
  qt6-base-dev qt6-webengine-dev libgl-dev libx11-dev libxcb1-dev libxcb-shm0-dev libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libpipewire-0.3-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly
  gstreamer1.0-libav xdg-utils)
test_packages=(libgtest-dev libgmock-dev clang libclang-rt-14-dev xvfb xauth x11-utils xdotool
  openbox strace python3 trayer weston qt6-wayland desktop-file-utils appstream lintian dpkg-dev
  pipewire pipewire-bin wireplumber dbus gstreamer1.0-pipewire gstreamer1.0-tools
  chromium firefox-esr xdg-desktop-portal xdg-desktop-portal-gtk libglib2.0-bin)
# OpenCV's two libraries are the colour benchmark's anchors.
bench_packages=(libbenchmark-dev gstreamer1.0-x gstreamer1.0-tools openbox xdotool libopencv-core-dev libopencv-imgproc-dev xvfb xauth x11-utils python3)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

configure_and_build() {  # dir, cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

case "${1:-}" in
run)
  install_missing "${build_packages[@]}"
  configure_and_build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUABREL_BUILD_TESTS=OFF
  exec build/release/quabrel/quabrel
  ;;
test)
  install_missing "${build_packages[@]}" "${test_packages[@]}"
  export CTEST_OUTPUT_ON_FAILURE=1
  # GLib's slice allocator keeps freed blocks for reuse, which hides leaks
  # from the sanitizers: every block goes through malloc instead.
  export G_SLICE=always-malloc G_DEBUG=gc-friendly

  echo "== thread sanitizer build (threaded parts)"
  configure_and_build build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUABREL_CORE_ONLY=ON \
    -DQUABREL_SANITIZE=thread
  (cd build/tsan && TSAN_OPTIONS=halt_on_error=1 ctest -j "$jobs" -L threads)

  echo "== thread sanitizer build (live capture path)"
  # Qt, GStreamer and PipeWire are not instrumented: the live tests run under the
  # sanitizer and fail on races in our own code only.
  cmake -S . -B build/tsan-live -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUABREL_SANITIZE=thread >/dev/null
  cmake --build build/tsan-live -j "$jobs" --target test_capture_session test_live_preview test_user_camera
  for t in test_capture_session test_live_preview test_user_camera; do
    QT_QPA_PLATFORM=offscreen python3 tests/tsan_own_races.py "$here/src" "build/tsan-live/tests/$t"
  done

  echo "== fuzzers (short pass; see docs/fuzzing.md for long runs)"
  CC=clang CXX=clang++ configure_and_build build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUABREL_CORE_ONLY=ON -DQUABREL_BUILD_TESTS=OFF -DQUABREL_BUILD_FUZZ=ON
  # The whole-skin fuzzer needs the window's libraries: a build of its own,
  # of that target alone.
  CC=clang CXX=clang++ cmake -S . -B build/fuzz-app -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUABREL_BUILD_TESTS=OFF -DQUABREL_BUILD_FUZZ=ON >/dev/null
  cmake --build build/fuzz-app -j "$jobs" --target fuzz_skin_apply
  for f in build/fuzz/tests/fuzz/fuzz_skin_files build/fuzz/tests/fuzz/fuzz_png_image \
    build/fuzz/tests/fuzz/fuzz_skin_folder build/fuzz-app/tests/fuzz/fuzz_skin_apply; do
    name=$(basename "$f")
    rm -rf "build/fuzz/corpus-$name" && mkdir -p "build/fuzz/corpus-$name"
    "$f" -max_total_time=20 -print_final_stats=0 -artifact_prefix="build/fuzz/$name-" \
      "build/fuzz/corpus-$name" "tests/fuzz/seeds/$name" 2>&1 | tail -n 1
  done

  echo "== address and undefined-behaviour sanitizer build"
  # The build lists each test binary's tests by running it: the same leak
  # settings apply there as in the runs. GLib is built without frame
  # pointers, so only the slow unwinder sees through it to the frames the
  # suppressions name (GLib's own start-up blocks, one of which it drops on
  # purpose once a process knows many names, as the full plugin set does).
  # This compiler's runtime takes a thread-local block that happens to start
  # 16 bytes into a page for an old glibc layout and reads a bogus range in
  # front of it; the leak checker then faults while scanning that range at
  # exit, after every test has passed. Not intercepting the lookup avoids it.
  export ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:intercept_tls_get_addr=0
  export LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0"
  configure_and_build build/asan -DCMAKE_BUILD_TYPE=Debug -DQUABREL_SANITIZE='address;undefined'
  (cd build/asan && ctest -j "$jobs")
  unset ASAN_OPTIONS LSAN_OPTIONS

  echo "== optimised build"
  configure_and_build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
  (cd build/release && ctest -j "$jobs")
  ;;
bench)
  install_missing "${build_packages[@]}" "${bench_packages[@]}"
  source bench/bench_build.sh
  bench_build all
  results=build/bench/results
  rm -rf "$results" && mkdir -p "$results"
  echo "== colour adjustment"
  build/bench/bench/bench_color_processor --benchmark_color=false >"$results/color.txt"
  echo "== skins"
  build/bench/bench/bench_skin --benchmark_color=false --benchmark_out="$results/skin.json" --benchmark_out_format=json \
    >"$results/skin.txt" 2>&1
  echo "== live path (10 s, off screen)"
  env -u DISPLAY build/bench/bench/bench_live 10 >"$results/live.txt" 2>"$results/live.log"
  echo "== start-up, with and without the banner's engine"
  bash bench/startup.sh 5 >"$results/startup.txt"
  echo "== preview against the bare GStreamer floor (5 rounds of 10 s)"
  bash bench/preview.sh 5 10 >"$results/preview.txt"
  echo
  python3 tools/bench_table.py "$results"
  ;;
*)
  echo "usage: bash tools/dev.sh run|test|bench" >&2
  exit 2
  ;;
esac
