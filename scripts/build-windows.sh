#!/usr/bin/env bash
# Cross-builds the Windows programs into build-windows/bin/ (route-conversie.exe,
# rte2kmz.exe and the portable test programs), each one static .exe.
#
# Installs what is missing (MinGW-w64 with posix threads, Debian's host Qt
# as the host tools, Wine for the tests), and takes the static Qt 6.4.2 for
# Windows from a cache folder outside the checkout, filling the cache first:
# from the archive in ../shared/toolchains/ when there is one (seconds), else
# by building Qt and zlib from Debian's own sources (about 35 minutes on two
# cores). Safe to run again.
#
#   ROUTE_CONVERSIE_QT_CACHE   the cache folder (default ~/.cache/route-conversie)
#   ROUTE_CONVERSIE_QT_ARCHIVE the archive (default ../shared/toolchains/qt6.4.2-mingw64-static.tar.zst)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

packages=(g++-mingw-w64-x86-64-posix cmake ninja-build qt6-base-dev qt6-base-dev-tools zstd wine wine64
  libgtest-dev xvfb xauth x11-utils imagemagick unzip)
bash scripts/install-missing.sh "${packages[@]}"

name=qt6.4.2-mingw64-static
cache=${ROUTE_CONVERSIE_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/route-conversie}
archive=${ROUTE_CONVERSIE_QT_ARCHIVE:-$root/../shared/toolchains/$name.tar.zst}
toolchain=$cache/$name
if [[ ! -f $toolchain/qt6/lib/cmake/Qt6/qt.toolchain.cmake ]]; then
  mkdir -p "$cache"
  if [[ -f $archive ]]; then
    echo "Unpacking $archive into $cache"
    tar --zstd -xf "$archive" -C "$cache"
  else
    echo "No $archive: building Qt for Windows from Debian's source into $toolchain (about 35 minutes)"
    bash scripts/build-windows-qt.sh "$toolchain"
  fi
fi

cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DROUTE_CONVERSIE_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain/qt6/lib/cmake/Qt6/qt.toolchain.cmake" \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/scripts/wine-run.sh;$root/build-windows/wine" >/dev/null
cmake --build build-windows
