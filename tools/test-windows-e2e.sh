#!/bin/sh
# End-to-end runs of quorvanectl.exe, and of Quorvane.dll through the harness that loads it as
# Explorer does, under Wine, against Wine's real registry; part of
# make test-windows (tools/test-windows.sh), which builds BUILD_DIR and leaves a pristine prefix
# in BUILD_DIR/wineprefix-pristine. Each run starts from its own copy of that prefix.
#
#   tools/test-windows-e2e.sh [BUILD_DIR]
#
# The runs that answer the extension's message boxes need a display: they start Xvfb on the first
# free one, or on XVFB_DISPLAY (":89") when it is set.
#
# WINE and WINESERVER, when set, name the Wine loader and server to use (see tools/wine-run). A
# check that fails is counted and the runs go on; a step that the checks after it need (a prefix
# and its Wine start) ends the run when it fails, saying what failed. Each part's time is printed
# as it ends.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
# Without ".." or links: the checks compare it with the paths Windows programs report.
build=$(cd "$root/${1:-build-windows}" && pwd -P)
pristine=$build/wineprefix-pristine
work=$build/e2e
ctl_exe=$build/bin/quorvanectl.exe
expected=$root/tests/windows

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all
export DISPLAY=
# Arguments beyond ASCII: Wine reads the command line in the locale's encoding.
export LC_ALL=C.UTF-8
key='HKCR\QuorvaneShellExt\Settings'
# No run of quorvanectl.exe or reg.exe takes more than a few seconds, even under load: one that
# takes this long is hung, and is stopped so that the run goes on to say so.
limit=120

now() { date +%s%N; }
since() { # start in ns: seconds to a tenth
    ns=$(($(now) - $1))
    printf '%d.%d' $((ns / 1000000000)) $((ns / 100000000 % 10))
}
run_started=$(now)
part=""
part_started=$run_started
end_part() {
    [ -z "$part" ] || echo "   ($part: $(since "$part_started") s)"
    part=""
}
begin() { # part's name
    end_part
    part=$1
    part_started=$(now)
    echo "-- $1"
}

counted=no
log=$(mktemp "${TMPDIR:-/tmp}/test-windows-e2e.XXXXXX")
servers=""
xvfb=""
on_exit() {
    status=$?
    set +e
    for prefix in $servers; do
        WINEPREFIX="$prefix" timeout -k 10 60 "$WINESERVER" -k >/dev/null 2>&1
    done
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
    rm -f "$log"
    if [ "$status" -ne 0 ] && [ "$counted" = no ]; then
        echo "the end-to-end runs stopped (status $status) in \"${part:-getting ready}\" after $(since "$part_started") s; they took $(since "$run_started") s" >&2
    fi
}
trap on_exit EXIT
# Stopped by a signal, a run still stops its servers: the EXIT trap runs only on an exit.
trap 'echo "stopped by a signal" >&2; exit 130' HUP INT PIPE TERM

failures=0
fail() {
    printf 'FAILED: %s\n' "$*" >&2
    failures=$((failures + 1))
}
pass() {
    printf 'ok: %s\n' "$*"
}

# Runs a step that the checks after it need: when it fails, the run ends, saying what ran, how it
# ended and what it printed.
must() { # command...
    must_status=0
    timeout -k 10 "$limit" "$@" >"$log" 2>&1 </dev/null || must_status=$?
    [ "$must_status" -eq 0 ] && return 0
    if [ "$must_status" -eq 124 ] || [ "$must_status" -eq 137 ]; then
        echo "FAILED: $* was still running after $limit s and was stopped" >&2
    else
        echo "FAILED: $* exited with status $must_status" >&2
    fi
    if [ -s "$log" ]; then
        echo "  it printed (at most its last 40 lines):" >&2
        tr -d '\r' <"$log" | tail -n 40 | sed 's/^/    /' >&2
    else
        echo "  it printed nothing" >&2
    fi
    exit 1
}

# A prefix of its own for one run: the programs and files of the pristine one linked, its
# registry files copied, as Wine rewrites those in place. Wine is started in it before anything
# reads a program's output (see tools/wine-run), and a start that fails is tried again there.
new_prefix() { # name
    prefix=$work/$1
    must rm -rf "$prefix"
    must mkdir -p "$prefix"
    must cp -al "$pristine/drive_c" "$pristine/dosdevices" "$prefix/"
    must cp "$pristine/system.reg" "$pristine/user.reg" "$pristine/userdef.reg" \
        "$pristine/.update-timestamp" "$prefix/"
    export WINEPREFIX="$prefix"
    servers="$servers $prefix"
    began=$(now)
    if ! "$root/tools/wine-run" --start; then
        echo "FAILED: Wine could not be started in $prefix" >&2
        exit 1
    fi
    echo "   (Wine started in $1 in $(since "$began") s)"
}

# Runs quorvanectl.exe with the given arguments: standard output in $out, standard error in $err
# (without Wine's CRs), exit status in $status. Every check looks at what the program printed or
# wrote, so a program Wine could not run (and that exited 0 silently) fails them.
out=""
err=""
status=0
ctl() {
    status=0
    timeout -k 10 "$limit" "$WINE" "$ctl_exe" "$@" >"$work/out" 2>"$work/err" </dev/null ||
        status=$?
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        fail "quorvanectl.exe $* was still running after $limit s and was stopped"
    fi
}

reg_query() { # reg query's arguments, after the key
    timeout -k 10 "$limit" "$WINE" reg query "$key" "$@" </dev/null
}
reg_value() { # name: "TYPE DATA" as reg query shows it
    reg_query /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^    $1    \\(REG_[A-Z_]*\\)    \\{0,1\\}/\\1 /p"
}

# A virtual display of this run's own, in $display, for the runs that answer message boxes.
. "$root/tools/own-display.sh"
display=""
start_display() {
    [ -n "$display" ] || start_own_display "$work" "${XVFB_DISPLAY:-}"
}

# A file the program sees as C:\<name> in the current prefix.
c_drive() { # name
    printf '%s\n' "$WINEPREFIX/drive_c/$1"
}

must mkdir -p "$work"

begin "a first start on a fresh prefix"
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
reg_query | tr -d '\r' |
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

begin "presets and Apply"
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

begin "menu files"
ctl save 'C:\saved.drm'
[ "$status" -eq 0 ] || fail "save exited with $status: $err"
saved=$(c_drive saved.drm)
if [ -f "$saved" ]; then
    lines=$(wc -l <"$saved")
    crlf=$(grep -c "$(printf '\r')\$" "$saved" || true)
    [ "$lines" -gt 40 ] && [ "$lines" -eq "$crlf" ] && pass "save writes $lines lines, each ending CR LF" ||
        fail "save wrote $lines lines, $crlf of them ending CR LF"
    head -n 1 "$saved" | grep -q '^# This is a menu-file for Quorvane' || fail "the menu file's header"
else
    fail "save wrote no file $saved"
fi
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
    >"$(c_drive odd.drm)" || fail "could not write $(c_drive odd.drm)"
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

begin "characters beyond the code page, and file names beyond ASCII"
# The arguments reach the program as typed: a character the settings cannot hold is refused by
# name, where the ANSI command line would have stored its best fit ("??", "S8", a real quote).
stored_menu=$(reg_value TheMenu)
for refused in '"漢字",0:U+6F22' '"Ŝ∞",0:U+015C' '"＂A＂,0",0:U+FF02'; do
    ctl apply "${refused%:*}"
    case "$status $err" in
    "1 "*"(${refused##*:})"*) [ "$(reg_value TheMenu)" = "$stored_menu" ] &&
        pass "apply refuses ${refused%:*}, naming ${refused##*:}" ||
        fail "the refused apply of ${refused%:*} changed TheMenu" ;;
    *) fail "apply ${refused%:*} (status $status): $out $err" ;;
    esac
done
ctl save 'C:\menü.drm'
[ "$status" -eq 0 ] && [ -f "$(c_drive menü.drm)" ] && pass "save writes C:\menü.drm under its name" ||
    fail "save C:\menü.drm (status $status): $err; drive C: holds $(ls "$(c_drive '')")"
must cp "$(c_drive menü.drm)" "$(c_drive café.drm)"
ctl show
shown_before=$out
ctl load 'C:\café.drm'
[ "$status" -eq 0 ] && [ "$out" = "$shown_before" ] && pass "load reads C:\café.drm" ||
    fail "load C:\café.drm (status $status): $err"
# A console window is given UTF-16 (a terminal is one, for Wine), so a character beyond the code
# page shows as itself rather than as "?". (Wine's console reads the ANSI code page, so ANSI text
# such as "é" would show right either way, and is not what is checked.) The terminal moves the
# cursor for some spaces, so only the character and its number are looked for.
on_console() { # a command line for quorvanectl.exe: what the console shows, without its controls
    timeout -k 10 "$limit" script -qec "\"$WINE\" \"$ctl_exe\" $1" /dev/null </dev/null 2>&1 |
        sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r'
}
case "$(on_console "apply '\"漢字\",0'")" in
*'漢'*'U+6F22'*) pass "a refusal on a console shows the character it names" ;;
*) fail "a refusal on a console: $(on_console "apply '\"漢字\",0'")" ;;
esac

begin "Quorvane.dll loaded as Explorer loads it"
new_prefix extension
harness=$build/tests/quorvane_shell_harness.exe
dll=Z:$(printf '%s' "$build/bin/Quorvane.dll" | sed 's|/|\\|g')
built_dll=$dll
# The harness prints the cascade it was given as quorvanectl show prints the stored menu.
shown=""
menu() { # the selection: PATH... or --background FOLDER
    status=0
    timeout -k 10 "$limit" "$WINE" "$harness" menu "$dll" "$@" >"$work/out" 2>"$work/err" \
        </dev/null || status=$?
    shown=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}
must mkdir -p "$(c_drive folder)"
must touch "$(c_drive one.txt)" "$(c_drive two.doc)"

menu 'C:\one.txt'
[ "$status" -eq 0 ] && [ "$shown" = "$(printf '[root] Quorvane\n  [op 8] Configure')" ] &&
    pass "before the first start the cascade offers Configure" ||
    fail "before the first start (status $status): $shown $err"
reg_query >/dev/null 2>&1 && fail "the extension created the settings key" ||
    pass "the extension does not create the settings key"

# Each menu as the harness finds it for a selection, against quorvanectl show.
compare() { # what the menu is; the selection
    what=$1
    shift
    menu "$@"
    if [ "$status" -eq 0 ] && [ "$shown" = "$stored" ]; then
        pass "$what for $*: the cascade is the stored menu"
    else
        fail "$what for $* (status $status): the cascade differs from quorvanectl show: $err"
        printf '%s\n' "$shown" | diff "$work/stored" - >&2 || true
    fi
}
store_shown() {
    ctl show
    stored=$out
    printf '%s\n' "$stored" >"$work/stored"
}
ctl show
store_shown
compare "the Default menu" 'C:\one.txt'

# The first start handed the INF to the system's installer, which copies the DLL into the system
# folder and registers its class there. Wine's installer does neither: the DLL then registers
# itself, with the same entries, as regsvr32 has it do.
class='HKCR\CLSID\{DE3126B8-746B-43C5-A6D9-DDBC86ACD1D3}'
handlers='HKCR\*\shellex\ContextMenuHandlers\Quorvane HKCR\Directory\shellex\ContextMenuHandlers\Quorvane HKCR\Folder\shellex\ContextMenuHandlers\Quorvane'
default_value() { # key: its default value as reg query shows it, or nothing
    timeout -k 10 "$limit" "$WINE" reg query "$1" /ve </dev/null 2>/dev/null | tr -d '\r' |
        sed -n 's/^    (Default)    REG_SZ    //p'
}
registered() { # the DLL's path: whether the class and the three handlers lead to it
    [ "$(default_value "$class\InprocServer32" | tr 'A-Z' 'a-z')" = "$(printf '%s' "$1" | tr 'A-Z' 'a-z')" ] ||
        return 1
    for handler in $handlers; do
        [ "$(default_value "$handler")" = "{DE3126B8-746B-43C5-A6D9-DDBC86ACD1D3}" ] || return 1
    done
}
copied='C:\windows\system32\ShellExt\Quorvane.dll'
if registered "$copied"; then
    pass "the first start's installer registered the DLL it copied into the system folder"
else
    echo "   (the first start registered nothing: Wine's INF installer does not install; regsvr32 does)"
    must "$WINE" regsvr32 /s "$dll"
    registered "$dll" && pass "regsvr32 registers the class and the three handlers" ||
        fail "after regsvr32 the class is: $(default_value "$class\InprocServer32")"
fi
[ "$(default_value "$class")" = "Quorvane context menu" ] && pass "the class is named" ||
    fail "the class is named: $(default_value "$class")"
must "$WINE" regsvr32 /s /u "$dll"
left=""
for gone in "$class" $handlers; do
    timeout -k 10 "$limit" "$WINE" reg query "$gone" </dev/null >/dev/null 2>&1 && left="$left $gone"
done
[ -z "$left" ] && pass "regsvr32 /u removes every entry" || fail "regsvr32 /u left$left"
# The INF itself, through the INF installer Wine does implement (setupapi.dll's, which the
# system's own calls on Windows): it copies the DLL into the system folder and registers that copy.
inf=Z:$(printf '%s' "$build/bin/Quorvane.inf" | sed 's|/|\\|g')
must "$WINE" rundll32 setupapi.dll,InstallHinfSection DefaultInstall 132 "$inf"
cmp -s "$build/bin/Quorvane.dll" "$WINEPREFIX/drive_c/windows/system32/ShellExt/Quorvane.dll" &&
    registered "$copied" && pass "the INF copies the DLL into the system folder and registers it" ||
    fail "after installing the INF the class is: $(default_value "$class\InprocServer32")"
dll=$copied
compare "the Default menu from the installed DLL" 'C:\one.txt'
compare "the Default menu" 'C:\one.txt' 'C:\two.doc' 'C:\folder'
compare "the Default menu" 'C:\folder'
compare "the Default menu" --background 'C:\folder'
for preset in Compact All; do
    ctl preset "$preset"
    store_shown
    compare "preset $preset" 'C:\one.txt'
done
# Nested submenus, an "&" that must show as itself, a letter beyond ASCII, items of every kind.
ctl apply '"Outer & Co","Inner",0,-6,-2,-1,2,-2,"Café",-7,-2,5,-5,-8,-9'
[ "$status" -eq 0 ] || fail "apply of the nested menu exited with $status: $err"
store_shown
compare "a nested menu" 'C:\one.txt'

must "$WINE" reg add "$key" /v TheMenu /t REG_DWORD /d 5 /f
menu 'C:\one.txt'
case "$shown" in
*"[disabled] Cannot read the menu: Invalid data type for 'TheMenu'"*"Loading a menu file that holds the value repairs it."*)
    pass "a damaged menu is shown as the reason, with what repairs it" ;;
*) fail "with a damaged menu the cascade is (status $status): $shown $err" ;;
esac

# Entries chosen as a click chooses them: the harness waits for the work started in the
# background, bounded, until DllCanUnloadNow allows unloading, then prints the clipboard.
chosen() { # verb, then the selection
    verb=$1
    shift
    status=0
    timeout -k 10 "$limit" "$WINE" "$harness" invoke "$dll" "$verb" "$@" >"$work/out" \
        2>"$work/err" </dev/null || status=$?
    shown=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}
must mkdir -p "$(c_drive target)"
printf '%s\r\n' '# This is a menu-file for Quorvane' '#' 's:TheMenu:"2","3","-6","-5"' \
    's:MoveItems:"Into Target"' 's:MoveDirItems:C:\target' 's:ExtItems:bak' >"$(c_drive chosen.drm)"
ctl load 'C:\chosen.drm'
[ "$status" -eq 0 ] || fail "loading the menu to choose from exited with $status: $err"
must touch "$(c_drive café.txt)"
chosen NameToClipboard 'C:\café.txt' 'C:\folder'
# The ANSI text holds "é" as the code page's byte 0xE9.
[ "$status" -eq 0 ] && [ "$shown" = "$(printf '%s\n' 'clipboard: C:\café.txt\r\nC:\folder\r\n' \
    "clipboard (ANSI): C:\\caf$(printf '\351').txt\\r\\nC:\\folder\\r\\n")" ] &&
    pass "Copy Name puts the names on the clipboard, as Unicode and ANSI text" ||
    fail "Copy Name (status $status): $shown $err"
# Shortcuts are followed; one that cannot be read, and an object that is no shortcut, are named
# as they are.
must touch "$(c_drive 'folder/target €.txt')"
must "$WINE" "$harness" shortcut 'C:\shortcut.lnk' 'C:\folder\target €.txt'
printf 'no shortcut' >"$(c_drive broken.lnk)" || fail "could not write $(c_drive broken.lnk)"
chosen TargetNameToClipboard 'C:\shortcut.lnk' 'C:\broken.lnk' 'C:\one.txt'
[ "$status" -eq 0 ] && [ "$(printf '%s\n' "$shown" | head -n 1)" = \
    'clipboard: C:\folder\target €.txt\r\nC:\broken.lnk\r\nC:\one.txt\r\n' ] &&
    pass "Copy Target Name follows a shortcut, and names what it cannot follow as it is" ||
    fail "Copy Target Name (status $status): $shown $err"
must touch "$(c_drive moved1.txt)" "$(c_drive moved2.txt)" "$(c_drive taken.txt)" \
    "$(c_drive renamed.txt)"
printf 'kept' >"$(c_drive target/taken.txt)"
chosen move1 'C:\moved1.txt' 'C:\moved2.txt' 'C:\taken.txt'
[ "$status" -eq 0 ] && [ -f "$(c_drive target/moved1.txt)" ] && [ -f "$(c_drive target/moved2.txt)" ] &&
    [ ! -e "$(c_drive moved1.txt)" ] && [ ! -e "$(c_drive moved2.txt)" ] &&
    pass "a Move To item moves the selected files into its folder" ||
    fail "the Move To item (status $status): $(ls "$(c_drive target)") $err"
[ -f "$(c_drive taken.txt)" ] && [ "$(cat "$(c_drive target/taken.txt)")" = kept ] &&
    pass "a name taken in the folder is not replaced" || fail "the Move To item replaced a file"
chosen ext1 'C:\renamed.txt'
[ "$status" -eq 0 ] && [ -f "$(c_drive renamed.bak)" ] && [ ! -e "$(c_drive renamed.txt)" ] &&
    pass "an extension item gives the file its extension" ||
    fail "the extension item (status $status): $err"

begin "entries that ask and tell, on a virtual display"
# The DLL asks and tells in message boxes, which Wine shows only on a display; the harness answers
# them as a user would and prints their texts.
start_display
export DISPLAY="$display" WINE_RUN_DISPLAY="$display"
new_prefix asking
dll=$built_dll
ctl show
printf '%s\r\n' '# This is a menu-file for Quorvane' '#' \
    's:TheMenu:"16","1","8","5","6","9","-8","-5"' 's:FileItems:"Record"' \
    's:FileDirItems:C:\rec\program.exe' 's:ExtItems:bak' 's:DOSPromptFile:C:\rec\dos start.bat' \
    's:AltPromptFile:C:\rec\alt start.bat' >"$(c_drive asking.drm)"
ctl load 'C:\asking.drm'
[ "$status" -eq 0 ] || fail "loading the menu to choose from exited with $status: $err"
boxes() { # the texts of the boxes the last choice showed
    printf '%s\n' "$shown" | sed -n 's/^box: //p'
}
# Read-only as Wine tells it: a file without write permission.
must mkdir -p "$(c_drive doomed/inner)"
printf 'x' >"$(c_drive readonly.txt)" && printf 'y' >"$(c_drive doomed/inner/readonly.txt)" ||
    fail "could not write the read-only files"
must chmod a-w "$(c_drive readonly.txt)" "$(c_drive doomed/inner/readonly.txt)"
# Wine's recycle bin is the desktop's trash, below XDG_DATA_HOME.
export XDG_DATA_HOME="$work/asking-data"
must mkdir -p "$XDG_DATA_HOME"
chosen Remove --answer no 'C:\readonly.txt'
[ "$status" -eq 0 ] && [ "$(boxes)" = "Remove 'C:\readonly.txt' for good? It does not go to the trash." ] &&
    [ -f "$(c_drive readonly.txt)" ] && pass "Remove!! asks, and No removes nothing" ||
    fail "Remove!! answered No (status $status): $shown $err"
chosen Remove 'C:\readonly.txt' 'C:\doomed'
[ "$status" -eq 0 ] && [ "$(boxes)" = "Remove these 2 objects for good? They do not go to the trash." ] &&
    [ ! -e "$(c_drive readonly.txt)" ] && [ ! -e "$(c_drive doomed)" ] &&
    pass "Yes removes a read-only file and a folder holding one, asking nothing more" ||
    fail "Remove!! answered Yes (status $status): $shown $err; drive C: holds $(ls "$(c_drive '')")"
[ -z "$(find "$XDG_DATA_HOME" -name '*readonly*')" ] && pass "nothing removed went to the recycle bin" ||
    fail "the recycle bin holds $(find "$XDG_DATA_HOME" -name '*readonly*')"
unset XDG_DATA_HOME

# The programs the entries start give way to one that records how it was started (removed first:
# the files are linked to the pristine prefix's). Wine would run its own built-in explorer.exe
# unless told otherwise; its desktop, started with the prefix, runs on.
windows=$WINEPREFIX/drive_c/windows
for program in "$windows/explorer.exe" "$windows/system32/explorer.exe"; do
    must rm -f "$program"
    must cp "$build/tests/quorvane_record_command.exe" "$program"
done
export WINEDLLOVERRIDES=explorer.exe=n
# The starts recorded in the folders, once there are that many (bounded), one a line: the command
# line, "|", the folder it was started in. Wine starts "explorer.exe /desktop" with every program
# to make sure that its desktop runs; those are left out.
starts() { # how many, folder...
    wanted=$1
    shift
    tries=0
    while :; do
        recorded=""
        for folder in "$@"; do
            for record in "$folder"/command-line*.txt; do
                [ -f "$record" ] || continue
                recorded="$recorded$(tr -d '\r' <"$record" | paste -sd '|')
"
            done
        done
        recorded=$(printf '%s' "$recorded" | grep -v '" /desktop|' || true)
        [ "$(printf '%s' "$recorded" | grep -c '|')" -lt "$wanted" ] && [ "$tries" -lt 200 ] || break
        sleep 0.1
        tries=$((tries + 1))
    done
    printf '%s\n' "$recorded"
}
explorer_starts() { # how many
    starts "$1" "$windows" "$windows/system32"
}
must mkdir -p "$(c_drive folder)"
must touch "$(c_drive folder/a.txt)" "$(c_drive folder/b.txt)"
chosen OpenContainer 'C:\folder\a.txt' 'C:\folder\b.txt'
windows_shown=$(explorer_starts 1)
# Wine's shell starts Explorer at the folder and selects nothing; without its window list, the
# DLL starts Explorer with the first object selected.
case "$status $windows_shown" in
"0 "*'explorer.exe" "C:\folder"|'* | "0 "*'explorer.exe" /select,C:\folder\a.txt|'*)
    [ "$(printf '%s\n' "$windows_shown" | wc -l)" -eq 1 ] &&
        pass "Open Container opens one window for two objects of one folder" ||
        fail "Open Container started Explorer more than once: $windows_shown" ;;
*) fail "Open Container (status $status) started: $windows_shown; $shown $err" ;;
esac

# Names beyond the ANSI code page reach a program as they are, and are renamed as they are.
must mkdir -p "$(c_drive names)" "$(c_drive rec)"
must cp "$build/tests/quorvane_record_command.exe" "$(c_drive rec/program.exe)"
must touch "$(c_drive 'names/café €.txt')" "$(c_drive 'names/漢字.txt')"
chosen run1 'C:\names\café €.txt' 'C:\names\漢字.txt'
case "$status $(starts 1 "$(c_drive rec)")" in
'0 "C:\rec\program.exe" "C:\names\café €.txt" C:\names\漢字.txt|C:\names')
    pass "a Run/Open item's program gets names beyond the code page, in the folder clicked" ;;
*) fail "the Run/Open item (status $status) started: $(starts 1 "$(c_drive rec)"); $shown $err" ;;
esac
chosen ext1 'C:\names\café €.txt' 'C:\names\漢字.txt'
[ "$status" -eq 0 ] && [ -f "$(c_drive 'names/café €.bak')" ] && [ -f "$(c_drive 'names/漢字.bak')" ] &&
    pass "an extension item renames files whose names are beyond the code page" ||
    fail "the extension item (status $status): $shown $err; C:\names holds $(ls "$(c_drive names)")"

# Configure from the installed DLL, which lives in the system folder: the INF, installed from a
# program folder as the first start hands it over (its path unquoted, blanks and all), records
# where the program is.
installed="$(c_drive 'Program Files')/Quorvane Setup"
must mkdir -p "$installed"
must cp "$build/bin/Quorvane.dll" "$build/bin/Quorvane.inf" "$build/bin/Quorvane.rtf" "$installed/"
must cp "$build/tests/quorvane_record_command.exe" "$installed/quorvane-setup.exe"
must "$WINE" rundll32 setupapi.dll,InstallHinfSection DefaultInstall 132 'C:\Program' \
    'Files\Quorvane' 'Setup\Quorvane.inf'
app_path='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\quorvane-setup.exe'
[ "$(default_value "$app_path")" = 'C:\Program Files\Quorvane Setup\quorvane-setup.exe' ] &&
    pass "the INF records where quorvane-setup.exe is" ||
    fail "after installing the INF, App Paths holds: $(default_value "$app_path")"
dll=$copied
chosen Configure 'C:\folder\a.txt'
case "$status $(starts 1 "$installed")" in
'0 "C:\Program Files\Quorvane Setup\quorvane-setup.exe"|C:\users\'*)
    pass "Configure from the installed DLL starts the program the INF recorded, in the user's folder" ;;
*) fail "Configure from the installed DLL (status $status) started: $(starts 1 "$installed"); $shown $err" ;;
esac
must rm "$installed/quorvane-setup.exe"
chosen Configure 'C:\folder\a.txt'
[ "$status" -eq 0 ] &&
    [ "$(boxes)" = 'quorvane-setup was not found in C:\windows\system32\ShellExt nor on the PATH.' ] &&
    pass "without the program, Configure says where it looked" ||
    fail "Configure without the program (status $status): $shown $err"

# The prompts start %COMSPEC% (here a recording program, set where Wine's programs take their
# environment from) with the Properties' programs, in the folder clicked or at the drive's top.
must "$WINE" reg add 'HKCU\Environment' /v COMSPEC /d 'C:\rec\cmd.exe' /f
must cp "$build/tests/quorvane_record_command.exe" "$(c_drive rec/cmd.exe)"
tab=$(printf '\t')
while IFS="$tab" read -r verb wanted; do
    must rm -f "$(c_drive rec)"/command-line*.txt
    chosen "$verb" 'C:\folder\a.txt'
    prompt=$(starts 1 "$(c_drive rec)")
    [ "$status" -eq 0 ] && [ "$prompt" = "$wanted" ] && pass "$verb starts %COMSPEC% as it should: $wanted" ||
        fail "$verb (status $status) started: $prompt; expected: $wanted; $shown $err"
# Unquoted, for the tabs: each backslash is written twice.
done <<PROMPTS
DOSPrompt${tab}"C:\\rec\\cmd.exe" /k "C:\\rec\\dos start.bat"|C:\\folder
CPrompt${tab}"C:\\rec\\cmd.exe"|C:\\
AlternativePrompt${tab}"C:\\rec\\cmd.exe" /c call "C:\\rec\\alt start.bat" & c:\\4dos\\4dos.com|C:\\folder
PROMPTS
unset WINEDLLOVERRIDES
export DISPLAY= WINE_RUN_DISPLAY=

begin "the installer, started through CreateProcessA"
new_prefix installer
system32=$WINEPREFIX/drive_c/windows/system32
# The system's rundll32.exe gives way to a program that records how it was started (removed
# first: the file is linked to the pristine prefix's). Wine would run its own built-in program
# of that name instead unless told otherwise.
must rm -f "$system32/rundll32.exe"
must cp "$build/tests/quorvane_record_command.exe" "$system32/rundll32.exe"
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
if [ -f "$recorded" ] && [ "$(head -n 1 "$recorded" | tr 'A-Z' 'a-z')" = "\"$(printf '%s' "$want" | tr 'A-Z' 'a-z')" ]; then
    pass "the installer gets the system's rundll32.exe and the INF after two backslashes"
else
    fail "the installer was started as: $(head -n 1 "$recorded" 2>/dev/null || echo '(not at all)')"
    printf 'expected: "%s\n' "$want" >&2
fi

begin "an installer that cannot be started"
new_prefix no-installer
must rm -f "$WINEPREFIX/drive_c/windows/system32/rundll32.exe"
ctl show
case "$err" in
*"Installation probably failed. (See ReadMe.txt)"*) pass "the failed start is reported" ;;
*) fail "without rundll32.exe the first start said: $err" ;;
esac
[ "$(reg_value v)" = "REG_DWORD 0x7da" ] && [ "$out" = "$(cat "$expected/default-menu.txt")" ] &&
    pass "the defaults are written all the same" || fail "the defaults are missing"

end_part
if [ "$failures" -ne 0 ]; then
    echo "$failures end-to-end checks failed; the runs took $(since "$run_started") s" >&2
    counted=yes
    exit 1
fi
echo "every end-to-end check passed in $(since "$run_started") s"
