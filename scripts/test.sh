#!/usr/bin/env bash
# Set-up, build and the whole test suite; the example routes converted under
# valgrind; then the suite again built with the address and undefined-behaviour
# sanitizers (build-asan/), every fuzz target for a fixed number of runs
# from a fixed seed (build-fuzz/, scripts/fuzz.sh --check), and the Windows
# programs cross-built and tested under Wine (build-windows/,
# scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
cmake --build build
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)"

# The example routes converted under valgrind: a memory error or a leak fails.
examples_out=$(mktemp -d)
trap 'rm -rf "$examples_out"' EXIT
valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
  build/bin/rte2kmz --target "$examples_out" examples/*.rte

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROUTE_CONVERSIE_WERROR=ON \
  -DROUTE_CONVERSIE_SANITIZE=ON
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --no-tests=error -j "$(nproc)"

bash scripts/fuzz.sh --check

bash scripts/test-windows.sh
