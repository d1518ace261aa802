#!/bin/sh
# End-to-end runs of quorvanectl.exe under Wine, against Wine's real registry; part of
# make test-windows (tools/test-windows.sh), which builds BUILD_DIR and leaves a pristine prefix
# in BUILD_DIR/wineprefix-pristine. Each run starts from its own copy of that prefix.
#
#   tools/test-windows-e2e.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${1:-build-windows}
pristine=$build/wineprefix-pristine
work=$build/e2e
ctl_exe=$build/bin/quorvanectl.exe
expected=$root/tests/windows

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export DISPLAY=
key='HKCR\QuorvaneShellExt\Settings'

servers=""
cleanup() {
    for prefix in $servers; do
        WINEPREFIX="$prefix" "$WINESERVER" -k >/dev/null 2>&1 || true
    done
}
trap cleanup EXIT
trap 'exit 1' INT TERM

failures=0
fail() {
    printf 'FAILED: %s\n' "$*" >&2
    failures=$((failures + 1))
}
pass() {
    printf 'ok: %s\n' "$*"
}

# A prefix of its own for one run: the programs and files of the pristine one linked, its
# registry files copied, as Wine rewrites those in place. Its server is started before anything
# reads a program's output (see tools/test-windows.sh).
new_prefix() { # name
    prefix=$work/$1
    rm -rf "$prefix"
    mkdir -p "$prefix"
    cp -al "$pristine/drive_c" "$pristine/dosdevices" "$prefix/"
    cp "$pristine/system.reg" "$pristine/user.reg" "$pristine/userdef.reg" "$prefix/"
    export WINEPREFIX="$prefix"
    servers="$servers $prefix"
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null
    "$WINE" cmd /c exit 0 >/dev/null 2>&1 </dev/null
}

# Runs quorvanectl.exe with the given arguments: standard output in $out, standard error in $err
# (without Wine's CRs), exit status in $status. Every check looks at what the program printed or
# wrote, so a program Wine could not run (and that exited 0 silently) fails them.
out=""
err=""
status=0
ctl() {
    status=0
    "$WINE" "$ctl_exe" "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}

reg_value() { # name: "TYPE DATA" as reg query shows it
    "$WINE" reg query "$key" /v "$1" 2>/dev/null </dev/null | tr -d '\r' |
        sed -n "s/^    $1    \\(REG_[A-Z_]*\\)    \\{0,1\\}/\\1 /p"
}

# A file the program sees as C:\<name> in the current prefix.
c_drive() { # name
    printf '%s\n' "$WINEPREFIX/drive_c/$1"
}

mkdir -p "$work"

echo "-- a first start on a fresh prefix"
new_prefix fresh
ctl show
[ "$status" -eq 0 ] || fail "show on a fresh prefix exited with $status: $err"
if [ "$out" = "$(cat "$expected/default-menu.txt")" ]; then
    pass "show prints the Default menu"
else
    fail "show printed another menu:"
    printf '%s\n' "$out" >&2
fi
case "$err" in
*"is installed"*) pass "the first start says Quorvane is installed" ;;
*) fail "the first start said: $err" ;;
esac
"$WINE" reg query "$key" </dev/null | tr -d '\r' |
    awk 'NF >= 2 && $1 !~ /^HKEY/ { print $1, $2 }' | sort -f >"$work/values"
if grep -v '^#' "$expected/settings-values.txt" | cmp -s - "$work/values"; then
    pass "reg query shows every default with its type"
else
    fail "reg query shows other values than expected:"
    grep -v '^#' "$expected/settings-values.txt" | diff - "$work/values" >&2 || true
fi
[ "$(reg_value v)" = "REG_DWORD 0x7da" ] && pass "v is 2010" || fail "v is $(reg_value v)"
[ "$(reg_value ItemsAvailable)" = "REG_SZ 21" ] && pass "ItemsAvailable is 21" ||
    fail "ItemsAvailable is $(reg_value ItemsAvailable)"
ctl show
[ "$status" -eq 0 ] && [ -z "$err" ] && pass "a second start installs nothing" ||
    fail "a second start said: $err"

echo "-- presets and Apply"
ctl preset Compact
[ "$status" -eq 0 ] || fail "preset Compact exited with $status: $err"
compact='"Move To","-6","-6","-1","13","-2","Copy To","-7","-7","-1","14","-2","0","2","5","7","8","-1","16","-2"'
[ "$(reg_value TheMenu)" = "REG_SZ $compact" ] && pass "preset Compact is stored" ||
    fail "TheMenu after preset Compact: $(reg_value TheMenu)"
printed=$out
ctl show
[ "$out" = "$printed" ] && pass "show prints what preset printed" || fail "show after preset differs"
ctl apply 'Tools,5,-1,"Move To",-6,-2,17,-2'
[ "$status" -eq 0 ] || fail "apply exited with $status: $err"
[ "$(reg_value TheMenu)" = 'REG_SZ "Tools","5","-1","Move To","-6","-2","17","-2","-2"' ] &&
    pass "apply stores the menu string" || fail "TheMenu after apply: $(reg_value TheMenu)"
[ "$(reg_value MoveItems)" = 'REG_SZ "Drive A:"' ] && pass "apply stores the item lists" ||
    fail "MoveItems after apply: $(reg_value MoveItems)"
[ "$(reg_value MoveDirItems)" = 'REG_SZ a:\' ] || fail "MoveDirItems: $(reg_value MoveDirItems)"
ctl apply ''
[ "$status" -eq 1 ] || fail "applying an empty menu exited with $status"
[ "$(reg_value TheMenu)" = 'REG_SZ "Tools","5","-1","Move To","-6","-2","17","-2","-2"' ] &&
    pass "a refused apply writes nothing" || fail "a refused apply changed TheMenu"

echo "-- menu files"
ctl save 'C:\saved.drm'
[ "$status" -eq 0 ] || fail "save exited with $status: $err"
saved=$(c_drive saved.drm)
lines=$(wc -l <"$saved")
crlf=$(grep -c "$(printf '\r')\$" "$saved" || true)
[ "$lines" -gt 40 ] && [ "$lines" -eq "$crlf" ] && pass "save writes $lines lines, each ending CR LF" ||
    fail "save wrote $lines lines, $crlf of them ending CR LF"
head -n 1 "$saved" | grep -q '^# This is a menu-file for Quorvane' || fail "the menu file's header"
ctl show
before=$out
ctl preset All
ctl load 'C:\saved.drm'
[ "$status" -eq 0 ] || fail "load exited with $status: $err"
[ "$out" = "$before" ] && pass "load brings back the saved menu" || fail "load gave another menu"
ctl save 'C:\again.drm'
cmp -s "$saved" "$(c_drive again.drm)" && pass "saving again gives the same bytes" ||
    fail "a loaded menu file saves differently"
# Bytes that a file in text mode would change: CR LF inside the file and 0x1A, which ends a
# text-mode read.
printf '# This is a menu-file for Quorvane\r\n#\r\ns:Odd:one\032two\r\ni:StampOptions:5\r\n' \
    >"$(c_drive odd.drm)"
ctl load 'C:\odd.drm'
[ "$status" -eq 0 ] || fail "loading a file with 0x1A exited with $status: $err"
[ "$(reg_value StampOptions)" = "REG_DWORD 0x5" ] && pass "a value after the 0x1A byte is read" ||
    fail "StampOptions after the 0x1A byte: $(reg_value StampOptions)"
ctl save 'C:\odd-saved.drm'
if grep -q "^s:Odd:one$(printf '\032')two$(printf '\r')\$" "$(c_drive odd-saved.drm)"; then
    pass "the 0x1A byte goes through the registry and back into a file"
else
    fail "the value with 0x1A did not come back"
fi

echo "-- the installer, started through CreateProcessA"
new_prefix installer
system32=$WINEPREFIX/drive_c/windows/system32
# The system's rundll32.exe gives way to a program that records how it was started (removed
# first: the file is linked to the pristine prefix's). Wine would run its own built-in program
# of that name instead unless told otherwise.
rm -f "$system32/rundll32.exe"
cp "$build/tests/quorvane_record_command.exe" "$system32/rundll32.exe"
export WINEDLLOVERRIDES=rundll32.exe=n
ctl show
unset WINEDLLOVERRIDES
[ "$status" -eq 0 ] || fail "show exited with $status: $err"
recorded=$system32/command-line.txt
tries=0
while [ ! -f "$recorded" ] && [ "$tries" -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
folder=$(printf '%s' "$build/bin" | sed 's|/|\\|g')
want="C:\\windows\\system32\\rundll32.exe\" syssetup.dll,InstallHinfSection DefaultInstall 132 Z:$folder\\\\Quorvane.inf"
if [ -f "$recorded" ] && [ "$(tr 'A-Z' 'a-z' <"$recorded")" = "\"$(printf '%s' "$want" | tr 'A-Z' 'a-z')" ]; then
    pass "the installer gets the system's rundll32.exe and the INF after two backslashes"
else
    fail "the installer was started as: $(cat "$recorded" 2>/dev/null || echo '(not at all)')"
    printf 'expected: "%s\n' "$want" >&2
fi

echo "-- an installer that cannot be started"
new_prefix no-installer
rm -f "$WINEPREFIX/drive_c/windows/system32/rundll32.exe"
ctl show
case "$err" in
*"Installation probably failed. (See ReadMe.txt)"*) pass "the failed start is reported" ;;
*) fail "without rundll32.exe the first start said: $err" ;;
esac
[ "$(reg_value v)" = "REG_DWORD 0x7da" ] && [ "$out" = "$(cat "$expected/default-menu.txt")" ] &&
    pass "the defaults are written all the same" || fail "the defaults are missing"

if [ "$failures" -ne 0 ]; then
    echo "$failures end-to-end checks failed" >&2
    exit 1
fi
echo "every end-to-end check passed"
