#!/usr/bin/env bash
# The conversion benchmark (docs/DEVELOPING.md, "Benchmark"): installs what
# is missing, builds rte2kmz and the bench tools in Release into
# build-release/ and runs bench/bench.py, which takes the extra arguments
# (see bench/bench.py --help).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
bash scripts/install-missing.sh "${build_packages[@]}" python3 gpsbabel time
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DROUTE_CONVERSIE_WERROR=ON -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build build-release -j2 --target rte2kmz bench_make_routes bench_deflate_floor bench_fs_floor

python3 bench/bench.py --bin build-release/bin --work build-release/bench-work "$@"
