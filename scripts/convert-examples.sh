#!/usr/bin/env bash
# Set-up, build, then converts the example routes in examples/ into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
mkdir -p out
build/bin/rte2kmz --target out examples/*.rte
ls -l out
