# Shared by the benchmark scripts (sourced): the optimised benchmark build in
# build/bench. Its banner page comes from a local stand-in for the product
# site (bench/banner_server.py on bench_banner_port), so a banner measured
# here shows a page without a network.
bench_banner_port=47391

bench_build() {  # targets...
  cmake -S . -B build/bench -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release -DQUABREL_BUILD_TESTS=OFF \
    -DQUABREL_BUILD_BENCH=ON "-DQUABREL_PRODUCT_SITE=http://127.0.0.1:$bench_banner_port" >/dev/null
  cmake --build build/bench -j "$(nproc)" --target "$@" >/dev/null
}

# The bare GStreamer floor the preview benchmarks measure against: the same
# test picture through videoconvert into ximagesink.
bench_floor=(gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte100 !
  video/x-raw,format=YUY2,width=320,height=240,framerate=30/1 ! videoconvert ! ximagesink sync=false)
# Runs the floor with the environment words given and measures it as "floor"
# (bench_measure_floor_as: as <name>) with the caller's measure function
# (e2e_lib.sh sourced).
bench_measure_floor() { bench_measure_floor_as floor "$@"; }
bench_measure_floor_as() {  # name, environment words...
  local name=$1; shift
  "$@" "${bench_floor[@]}" >"$e2e_work/$name.log" 2>&1 &
  local pid=$!
  e2e_pids+=("$pid")
  measure "$name" "$pid"
  kill "$pid" 2>/dev/null || e2e_fail "the floor did not run (tools/dev.sh bench installs its elements): $(cat "$e2e_work/$name.log")"
  wait "$pid" 2>/dev/null || true
}
