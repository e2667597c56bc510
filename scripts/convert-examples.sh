#!/usr/bin/env bash
# Set-up, builds the command line alone, then converts the example routes in
# examples/ into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --build build --target rte2kmz
mkdir -p out
build/bin/rte2kmz --target out examples/*.rte
ls -l out
