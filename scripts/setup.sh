#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, then configures the project
# in build/; each script builds what it needs. Safe to run again.
#   scripts/setup.sh          to build and run the programs
#   scripts/setup.sh --tests  to build and run the test suite as well
# Without --tests a build/ configured before keeps its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

packages=("${build_packages[@]}")
testing=()
if [[ ${1:-} == --tests ]]; then
  packages+=("${test_packages[@]}")
  testing=(-DBUILD_TESTING=ON)
elif [[ ! -f build/CMakeCache.txt ]]; then
  testing=(-DBUILD_TESTING=OFF)
fi
bash scripts/install-missing.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROUTE_CONVERSIE_WERROR=ON "${testing[@]}"
