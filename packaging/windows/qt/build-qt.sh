#!/usr/bin/env bash
# Rebuilds qt-6.4.2-mingw-w64.tar.xz: Qt 6.4.2 (Core, Gui, Widgets, PrintSupport, Test,
# SerialPort) for 64-bit Windows, cross-built on Debian 12 with mingw-w64.
# Usage: build-qt.sh WORKDIR      (about 45 minutes on 2 cores; needs root for apt-get)
# The Qt DLLs in the Windows installer and zip come from this recipe; it is kept here
# with its patches as the source of that build. QTSERIALPORT_TARBALL names
# qtserialport-everywhere-src-6.4.2.tar.xz (from
# https://download.qt.io/archive/qt/6.4/6.4.2/submodules/); by default it is looked for
# beside this script.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=${1:?usage: build-qt.sh WORKDIR}
mkdir -p "$work" && cd "$work"

apt-get install -y g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix ninja-build \
    qt6-base-dev qt6-base-dev-tools dpkg-dev xz-utils

# Debian's own qtbase 6.4.2 source (the same release as the host Qt whose moc/rcc/uic
# the cross build uses). Needs a deb-src line for Debian's archive in apt's sources.
if [ ! -d qtbase-everywhere-src-6.4.2 ]; then
    apt-get source --download-only qt6-base=6.4.2+dfsg-10
    tar xf qt6-base_6.4.2+dfsg.orig.tar.xz
    # Debian's source lacks the Wintab headers and the build without OpenGL/Direct2D has
    # three guards that Qt 6.4 misses; these patches add them (tablet input is left out).
    for p in "$here"/patches/*.patch; do patch -d qtbase-everywhere-src-6.4.2 -p1 < "$p"; done
fi
[ -d qtserialport-everywhere-src-6.4.2 ] ||
    tar xf "${QTSERIALPORT_TARBALL:-$here/qtserialport-everywhere-src-6.4.2.tar.xz}"

prefix=$work/qt-6.4.2-mingw-w64
cmake -S qtbase-everywhere-src-6.4.2 -B build-qtbase -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/../mingw-toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_vulkan=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF \
    -DFEATURE_direct2d=OFF
cmake --build build-qtbase --parallel "$(nproc)"
cmake --install build-qtbase

mkdir -p build-qtserialport
(cd build-qtserialport && "$prefix/bin/qt-configure-module" ../qtserialport-everywhere-src-6.4.2)
cmake --build build-qtserialport --parallel "$(nproc)"
cmake --install build-qtserialport

find "$prefix" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} \;
rm -rf "$prefix/doc"
tar -C "$work" -cJf "$work/qt-6.4.2-mingw-w64.tar.xz" qt-6.4.2-mingw-w64
echo "$work/qt-6.4.2-mingw-w64.tar.xz"
