#!/usr/bin/env bash
# Builds the static Qt 6.4.2 and zlib for Windows x86-64 that the Windows
# programs link, from Debian 12's own source packages, with Debian's
# MinGW-w64 (posix threads) and Debian's Qt as host tools:
#   scripts/build-windows-qt.sh PREFIX
# gives PREFIX/qt6, PREFIX/zlib and PREFIX/toolchain; configure a project with
# -DCMAKE_TOOLCHAIN_FILE=PREFIX/qt6/lib/cmake/Qt6/qt.toolchain.cmake.
# scripts/build-windows.sh runs it when no ready-made archive is at hand.
# The machine's apt sources are left alone: the source packages come through
# an apt configuration of this build's own.
set -euo pipefail
prefix=$(realpath -m "$1")
work=$prefix.build
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$prefix/toolchain"

export DEBIAN_FRONTEND=noninteractive
dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q 'install ok installed' ||
  apt-get install -y -q --no-install-recommends dpkg-dev

cat >"$work/apt/sources.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_private=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt"
  -o "Dir::State::Lists=$work/apt/lists")
apt-get "${apt_private[@]}" update -q
(cd "$work" && apt-get "${apt_private[@]}" source -q zlib qt6-base)

cat >"$prefix/toolchain/mingw-w64-x86_64.cmake" <<'EOF'
# Cross-compiling to Windows x86-64 with Debian's MinGW-w64 (posix threads), against the static Qt
# and zlib beside this folder. Qt's own toolchain file (qt6/lib/cmake/Qt6/qt.toolchain.cmake) loads this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           /usr/bin/${TOOLCHAIN_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${TOOLCHAIN_PREFIX}-ranlib CACHE FILEPATH "")
get_filename_component(_rc_toolchain_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX} "${_rc_toolchain_root}/qt6" "${_rc_toolchain_root}/zlib")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
EOF

# zlib has no Windows makefile of its own here; its configure script takes the cross compilers.
(cd "$work"/zlib-*/ &&
  CHOST=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
    RANLIB=x86_64-w64-mingw32-ranlib ./configure --static --prefix="$prefix/zlib" >/dev/null &&
  make -j"$(nproc)" libz.a >/dev/null && make install >/dev/null)

# Debian's source drops wintab.h, which tablet support needs.
mkdir -p "$work/qt-build"
(cd "$work/qt-build" &&
  "$(echo "$work"/qt6-base-*/)configure" -prefix "$prefix/qt6" -static -static-runtime -release -optimize-size \
    -gc-binaries -qt-host-path /usr -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -system-zlib \
    -qt-libpng -qt-libjpeg -qt-freetype -qt-pcre -qt-harfbuzz -qt-doubleconversion -no-feature-network \
    -no-feature-sql -no-feature-printsupport -no-feature-testlib -no-feature-xml -no-feature-concurrent \
    -no-feature-vulkan -no-feature-androiddeployqt -no-feature-tabletevent \
    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/toolchain/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake &&
  cmake --build . --parallel &&
  cmake --install .)
rm -rf "$work"
