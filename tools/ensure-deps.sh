#!/bin/sh
# Installs what a fresh Debian 12 machine lacks to build and test the project: one apt-get update,
# then only the packages that are missing. `ensure-deps.sh fuzz` adds clang and libFuzzer's
# runtime, which only `make fuzz` needs; `ensure-deps.sh bench` adds what `make bench` needs;
# `ensure-deps.sh desktop` adds a virtual display and a window manager for the tests that run the
# program on a desktop; `ensure-deps.sh file-managers` adds Nemo, Caja, Nautilus, Thunar and
# Dolphin for the right-click benchmark; `ensure-deps.sh windows` adds the mingw-w64 cross
# compilers, GoogleTest's sources, 64-bit Wine and a virtual display (on which Wine shows the
# extension's message boxes) for `make test-windows`; `ensure-deps.sh deb` adds the Debian
# packaging tools and lintian for `make deb`.
set -eu

packages="cmake g++ ninja-build make ccache clang-format qt6-base-dev libgl-dev libgtest-dev libgmock-dev"
# The validators of the install checks: the launcher, the metainfo, the manual pages.
packages="$packages desktop-file-utils appstream man-db"
# The accessibility check: a private session bus, the accessibility bus and its Python client (it
# also needs the desktop's virtual display and window manager; without any of them it skips).
packages="$packages dbus at-spi2-core python3-pyatspi"
if [ "${1:-}" = "fuzz" ]; then
    packages="$packages clang libclang-rt-14-dev"
fi
# What the tests that drive the program on a real desktop need; without them they skip.
if [ "${1:-}" = "desktop" ]; then
    packages="$packages xvfb xdotool openbox"
fi
# What make bench needs: Google Benchmark, and a virtual display, a session bus and the X
# server's damage reports for the start-up figures, and its test extension for the right-clicks.
if [ "${1:-}" = "bench" ]; then
    packages="$packages libbenchmark-dev xvfb dbus libxcb1-dev libxcb-damage0-dev libxtst-dev"
fi
# What the file managers' plug-ins are built against; without them the build skips them. Their
# recommendations, and Wine's, would bring a desktop's worth of packages that a headless run never
# uses.
install_options=""
if [ "${1:-}" = "extension" ]; then
    packages="$packages pkg-config libgtk-3-dev libgtk-4-dev libnemo-extension-dev"
    packages="$packages libcaja-extension-dev libnautilus-extension-dev libthunarx-3-dev"
    # Dolphin's plug-in: KIO on Qt 5, which never meets the program's Qt 6.
    packages="$packages libkf5kio-dev"
    install_options="--no-install-recommends"
fi
# The file managers themselves, for the right-click benchmark; without their recommendations.
if [ "${1:-}" = "file-managers" ]; then
    packages="$packages nemo caja nautilus thunar dolphin"
    install_options="--no-install-recommends"
fi
# make deb: debhelper and lintian; apt-get build-dep then brings what debian/control asks for.
if [ "${1:-}" = "deb" ]; then
    packages="$packages dpkg-dev debhelper lintian"
    install_options="--no-install-recommends"
fi
if [ "${1:-}" = "windows" ]; then
    packages="cmake ninja-build make googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 xvfb"
    install_options="--no-install-recommends"
fi
missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "These packages are missing and installing them needs root:$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q $install_options $missing
