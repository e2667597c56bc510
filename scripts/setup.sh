#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test the project,
# then configures it in build/; each script builds what it needs. Safe to run
# again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev zlib1g-dev libgtest-dev libbenchmark-dev
  tzdata locales fonts-dejavu-core fonts-liberation2 fonts-comfortaa
  qt6-translations-l10n
  python3 unzip p7zip-full libarchive-tools gdal-bin libxml2-utils gpsbabel util-linux
  valgrind strace
  clang-14 libclang-rt-14-dev
)
bash scripts/install-missing.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
