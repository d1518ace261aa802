#!/bin/sh
# make test-windows: the core, quorvanectl.exe and the core tests built with mingw-w64 and run
# under 64-bit Wine against its real registry. The same sources are also built for 32-bit
# Windows (build only: running them would need 32-bit Wine).
#
#   tools/test-windows.sh [BUILD_DIR] [BUILD32_DIR]
#
# Everything lives below BUILD_DIR (build-windows): the build, a throw-away Wine prefix made afresh
# on every run, and the copies of it that the end-to-end runs start from.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-windows}
build32=${2:-build-windows32}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export DISPLAY=
base=$root/$build/wineprefix
export WINEPREFIX="$base"

launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi

configure() { # folder toolchain
    if [ ! -f "$1/build.ninja" ]; then
        # shellcheck disable=SC2086
        # Unoptimised: the tests compile in a fraction of the time, and run as fast as Wine allows.
        cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE= \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tools/wine-run" $launcher
    fi
}

# A wineserver started by a program whose output is being read keeps that output open until it
# quits, about 3 s after its last program: each prefix gets its server up front, with its output
# elsewhere, and loses it at the end.
start_wine() { # prefix
    WINEPREFIX="$1" "$WINESERVER" -p >/dev/null 2>&1 </dev/null
    WINEPREFIX="$1" "$WINE" cmd /c exit 0 >/dev/null 2>&1 </dev/null
}
stop_wine() { # prefix
    WINEPREFIX="$1" "$WINESERVER" -k >/dev/null 2>&1 || true
}
servers=""
cleanup() {
    for prefix in $servers; do
        stop_wine "$prefix"
    done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

echo "== a fresh Wine prefix in $base"
stop_wine "$base"
rm -rf "$base" "$root/$build/e2e"
mkdir -p "$root/$build"
"$WINE" wineboot -i >/dev/null 2>&1 </dev/null
"$WINESERVER" -w
# The end-to-end runs each start from a copy of the prefix as it is now, untouched by the tests.
# The registry files are copied, never linked: Wine rewrites them in place.
pristine=$root/$build/wineprefix-pristine
rm -rf "$pristine"
mkdir -p "$pristine"
cp -al "$base/drive_c" "$base/dosdevices" "$pristine/"
cp "$base/system.reg" "$base/user.reg" "$base/userdef.reg" "$pristine/"
servers="$base"
start_wine "$base"

echo "== building for 64-bit Windows in $build"
configure "$build" mingw-w64-x86_64.cmake
cmake --build "$build" -j "$jobs"

echo "== building for 32-bit Windows in $build32"
configure "$build32" mingw-w64-i686.cmake
cmake --build "$build32" -j "$jobs"

echo "== the core tests under Wine"
(cd "$build" && ctest --output-on-failure -j "$jobs")
# A test program that Wine could not run would have left ctest nothing to run.
count=$(cd "$build" && ctest -N | sed -n 's/^Total Tests: //p')
if [ "${count:-0}" -lt 100 ]; then
    echo "only ${count:-0} tests were found; the test programs did not run under Wine" >&2
    exit 1
fi

echo "== quorvanectl.exe against Wine's registry"
sh "$root/tools/test-windows-e2e.sh" "$build"
echo "== make test-windows: all passed"
