#!/usr/bin/env bash
# The conversion benchmark (README, "Benchmark"): installs gpsbabel and GNU
# time when missing, builds rte2kmz and the bench tools in Release into
# build-release/ and runs bench/bench.py, which takes the extra arguments
# (see bench/bench.py --help).
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v gpsbabel >/dev/null || missing+=(gpsbabel)
[[ -x /usr/bin/time ]] || missing+=(time)
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-release -j2 --target rte2kmz bench_make_routes bench_deflate_floor bench_fs_floor

python3 bench/bench.py --bin build-release/bin --work build-release/bench-work "$@"
