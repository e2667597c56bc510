#!/usr/bin/env bash
# Set-up, build and the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)"
