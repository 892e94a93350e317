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
