#!/bin/sh
# make test-windows: the core, quorvanectl.exe, the shell extension Quorvane.dll and the tests built
# with mingw-w64 and run under 64-bit Wine against its real registry. The same sources are also built for 32-bit
# Windows (build only: running them would need 32-bit Wine).
#
#   tools/test-windows.sh [BUILD_DIR] [BUILD32_DIR]
#
# Everything lives below BUILD_DIR (build-windows): the build, a throw-away Wine prefix made afresh
# on every run, and the copies of it that the end-to-end runs start from. WINE and WINESERVER, when
# set, name the Wine loader and server to use (see tools/wine-run).
#
# A run that stops says where and why: each step's time is printed as it ends, and a failure
# names the step, the command, how it ended and what it printed, so that a slow run can be told
# from a hung one and a failed Wine start from a failed test.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-windows}
build32=${2:-build-windows32}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all
export DISPLAY=
base=$root/$build/wineprefix
export WINEPREFIX="$base"

launcher=""
if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
fi

now() { date +%s%N; }
since() { # start in ns: seconds to a tenth
    ns=$(($(now) - $1))
    printf '%d.%d' $((ns / 1000000000)) $((ns / 100000000 % 10))
}
run_started=$(now)
step_name=""
step_started=$run_started
step_times=""
end_step() {
    [ -n "$step_name" ] || return 0
    took=$(since "$step_started")
    echo "   ($step_name: $took s)"
    step_times="$step_times
$(printf '%9s s  %s' "$took" "$step_name")"
    step_name=""
}
step() { # name [where]
    end_step
    step_name=$1
    step_started=$(now)
    echo "== $1${2:+ $2}"
}

log=$(mktemp "${TMPDIR:-/tmp}/test-windows.XXXXXX")
servers=""
stop_wine() { # prefix
    WINEPREFIX="$1" timeout -k 10 60 "$WINESERVER" -k >/dev/null 2>&1 || true
}
on_exit() {
    status=$?
    set +e
    for prefix in $servers; do
        stop_wine "$prefix"
    done
    rm -f "$log"
    if [ "$status" -ne 0 ]; then
        echo "== make test-windows FAILED (status $status) in \"$step_name\" after $(since "$step_started") s; the run took $(since "$run_started") s" >&2
    fi
}
trap on_exit EXIT
# Stopped by a signal, a run still stops its servers: the EXIT trap runs only on an exit.
trap 'echo "stopped by a signal" >&2; exit 130' HUP INT PIPE TERM

# Runs a command that the rest of the run needs, within a time limit, its output in $log; a
# failure says what ran, how it ended and what it printed, and ends the run.
must() { # seconds command...
    if ! bounded "$@"; then
        shift
        report "$@"
        exit 1
    fi
}
bounded() { # seconds command...: its status in $status, its time limit in $limit
    limit=$1
    shift
    status=0
    timeout -k 10 "$limit" "$@" >"$log" 2>&1 </dev/null || status=$?
    [ "$status" -eq 0 ]
}
report() { # command...: how the last bounded command ended
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "FAILED: $* was still running after $limit s and was stopped" >&2
    else
        echo "FAILED: $* exited with status $status" >&2
    fi
    if [ -s "$log" ]; then
        echo "  it printed (at most its last 40 lines):" >&2
        tr -d '\r' <"$log" | tail -n 40 | sed 's/^/    /' >&2
    else
        echo "  it printed nothing" >&2
    fi
}

configure() { # folder toolchain
    if [ ! -f "$1/build.ninja" ]; then
        # shellcheck disable=SC2086
        # Unoptimised: the tests compile in a fraction of the time, and run as fast as Wine allows.
        cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE= \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tools/wine-run" $launcher
    fi
}

# wineboot -i makes the prefix; once the server has quit (wineserver -w), the registry is on disk.
# Under load it may fail or hang like any Wine start: each try is bounded, says why it failed,
# and starts again from nothing, three tries in all.
make_prefix() {
    for attempt in 1 2 3; do
        must 60 rm -rf "$base"
        began=$(now)
        if ! bounded 600 "$WINE" wineboot -i; then
            report "$WINE" wineboot -i
        elif ! bounded 120 "$WINESERVER" -w; then
            report "$WINESERVER" -w
        elif [ ! -f "$base/system.reg" ] || [ ! -f "$base/.update-timestamp" ] ||
            [ ! -d "$base/drive_c/windows/system32" ]; then
            echo "FAILED: $WINE wineboot -i left no complete prefix in $base:" >&2
            ls -A "$base" 2>&1 | sed 's/^/    /' >&2
        else
            return 0
        fi
        echo "   (try $attempt of 3 to make the prefix, $(since "$began") s)" >&2
        stop_wine "$base"
        sleep 1
    done
    echo "Wine could not make a prefix in $base; gave up after 3 tries" >&2
    exit 1
}

step "a fresh Wine prefix" "in $base"
stop_wine "$base"
must 60 rm -rf "$base" "$root/$build/e2e"
must 60 mkdir -p "$root/$build"
make_prefix
# The end-to-end runs each start from a copy of the prefix as it is now, untouched by the tests.
# The registry files are copied, never linked: Wine rewrites them in place. Without its
# .update-timestamp, a copy would have Wine bring the prefix up to date at its first start, which
# takes as long as making it.
pristine=$root/$build/wineprefix-pristine
must 60 rm -rf "$pristine"
must 60 mkdir -p "$pristine"
must 120 cp -al "$base/drive_c" "$base/dosdevices" "$pristine/"
must 60 cp "$base/system.reg" "$base/user.reg" "$base/userdef.reg" "$base/.update-timestamp" \
    "$pristine/"
servers="$base"
"$root/tools/wine-run" --start

step "building for 64-bit Windows" "in $build"
configure "$build" mingw-w64-x86_64.cmake
cmake --build "$build" -j "$jobs"

step "building for 32-bit Windows" "in $build32"
configure "$build32" mingw-w64-i686.cmake
cmake --build "$build32" -j "$jobs"

step "the core tests under Wine"
# A test that hangs ends at the time limit, as a failure, instead of holding up the run.
(cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 300)
# A test program that Wine could not run would have left ctest nothing to run.
count=$(cd "$build" && ctest -N | sed -n 's/^Total Tests: //p')
if [ "${count:-0}" -lt 100 ]; then
    echo "only ${count:-0} tests were found; the test programs did not run under Wine" >&2
    exit 1
fi

step "quorvanectl.exe and Quorvane.dll against Wine's registry"
sh "$root/tools/test-windows-e2e.sh" "$build"
end_step
echo "== make test-windows: all passed in $(since "$run_started") s; the steps took:$step_times"
