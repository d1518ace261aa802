#!/bin/sh
# The plug-ins in real file managers: Nemo, Caja, Nautilus, Thunar and Dolphin on a virtual
# display, each on a private session bus and a folder of its own. For each: the plug-in goes into
# the file manager's system extension folder (none of the GTK family lets a user point elsewhere;
# Dolphin finds it through QT_PLUGIN_PATH in the build folder), the menu is stored with
# quorvanectl, a right-click on a file opens the "Quorvane" cascade by keyboard, a screenshot is
# taken, "Copy Name" is activated and the clipboard must hold the file's path; a menu of another
# shape applied next, and then the first again, must each show whole at the next right-click
# without restarting the file manager. The plug-in is taken out afterwards.
#
# Usage: tests/extension/end-to-end.sh [build folder]   (root; run by .ci/run)
#        tests/extension/end-to-end.sh --installed [folder for the screenshots]
# --installed runs the plug-ins and quorvanectl the packages installed (tools/test-deb.sh), where
# they lie, and puts nothing into the system folders.
# QUORVANE_E2E_FILE_MANAGERS="thunar dolphin" runs only those; QUORVANE_E2E_DISPLAY=:N a given
# display instead of the first free one.
# Screenshots: <build folder>/extension-e2e/<file manager>-*.png
set -eu

if [ "${1:-}" = "--session" ]; then
    shift
    fm=$1 files=$2 shots=$3 ctl=$4 blank=""
    openbox >/dev/null 2>&1 &
    sleep 1
    case $fm in
    nemo)
        nemo --no-desktop "$files" >"$shots/$fm.log" 2>&1 &
        class=nemo x=237 y=173 first=""
        ;;
    caja)
        caja --no-desktop "$files" >"$shots/$fm.log" 2>&1 &
        class=caja x=234 y=121 first=""
        ;;
    nautilus)
        GSK_RENDERER=cairo GTK_A11Y=none nautilus --new-window "$files" >"$shots/$fm.log" 2>&1 &
        # Its submenus slide in as pages whose header (the way back) has the focus first.
        class=org.gnome.Nautilus x=336 y=125 first=Down
        ;;
    thunar)
        thunar "$files" >"$shots/$fm.log" 2>&1 &
        class=Thunar x=216 y=144 first=""
        ;;
    dolphin)
        dolphin "$files" >"$shots/$fm.log" 2>&1 &
        # A click on the file it has selected already starts renaming it: an empty spot first.
        class=dolphin x=324 y=187 first="" blank="450 400"
        ;;
    esac
    wid=""
    for _ in $(seq 60); do
        wid=$(xdotool search --onlyvisible --class "$class" 2>/dev/null | head -1) || true
        [ -n "$wid" ] && break
        sleep 0.5
    done
    [ -n "$wid" ] || { echo "$fm: no window appeared" >&2; exit 1; }
    sleep 3
    xdotool windowactivate --sync "$wid" >/dev/null 2>&1 || true
    sleep 1

    # Opens the submenu at hand and goes to its first entry.
    deeper() {
        # shellcheck disable=SC2086
        xdotool key Right $first
        sleep 1
    }
    # Right-click the one file, then from the bottom of the menu: Properties, Quorvane, and into
    # the cascade.
    open_cascade() {
        if [ -n "$blank" ]; then
            # shellcheck disable=SC2086
            xdotool mousemove --window "$wid" $blank click 1
            sleep 1
        fi
        xdotool mousemove --window "$wid" $x $y click 1
        sleep 1
        xdotool mousemove --window "$wid" $x $y click 3
        sleep 2
        xdotool key Up Up
        sleep 1
        deeper
    }
    # The clipboard must hold the file's path once the entry at hand is activated.
    copies_name() {
        printf 'nothing' | xclip -selection clipboard
        xdotool key Return
        sleep 1
        clip=$(xclip -o -selection clipboard 2>/dev/null || true)
        if [ "$clip" != "$files/sample.txt" ]; then
            echo "$fm: $1: the clipboard holds '$clip', not '$files/sample.txt'" >&2
            exit 1
        fi
    }

    # The first submenu's first entry is "Copy Name".
    first_menu='"Clip_board","2","10","-2","-1","0","16"'
    open_cascade
    deeper
    import -window root "$shots/$fm-cascade.png"
    copies_name "the first menu"

    # A menu of another shape applied now shows whole at the next right-click: its first entry
    # is "Copy Name" itself, where a submenu stood, and its second a submenu holding "Show
    # Clipboard".
    "$ctl" apply '"2","Show","4","-2","-2"' >/dev/null
    open_cascade
    import -window root "$shots/$fm-changed.png"
    copies_name "the changed menu's first entry"
    open_cascade
    xdotool key Down
    sleep 1
    deeper
    import -window root "$shots/$fm-changed-submenu.png"
    xdotool key Return
    sleep 2
    import -window root "$shots/$fm-show-clipboard.png"
    shown=$(xdotool search --onlyvisible --name "Quorvane: Show Clipboard" 2>/dev/null | head -1) || true
    if [ -z "$shown" ]; then
        echo "$fm: the changed menu's submenu did not show, or its entry did nothing" >&2
        exit 1
    fi
    # Closed through the window manager, as a user closes it.
    xdotool windowactivate --sync "$shown" key alt+F4 2>/dev/null || true
    sleep 1

    # And the first shape again, as after going back to a preset.
    "$ctl" apply "$first_menu" >/dev/null
    open_cascade
    deeper
    import -window root "$shots/$fm-back.png"
    copies_name "the first menu applied again"
    echo "$fm: cascade shown, Copy Name copied $clip, menus of other shapes applied later showed whole at once"
    exit 0
fi

installed=""
if [ "${1:-}" = "--installed" ]; then
    installed=yes
    shift
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shots=$build/extension-e2e

if [ "$(id -u)" -ne 0 ]; then
    echo "The end-to-end run puts the plug-ins into the file managers' system folders: run it as root." >&2
    exit 1
fi
managers=${QUORVANE_E2E_FILE_MANAGERS:-nemo caja nautilus thunar dolphin}
missing=""
for p in $managers xvfb openbox xdotool xclip imagemagick dbus pkg-config; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q --no-install-recommends $missing
fi
# The file manager's system extension folder; Dolphin's is below Qt 5's plug-in folder.
system_folder() {
    case $1 in
    nemo) pkg-config --variable=extensiondir libnemo-extension ;;
    caja) pkg-config --variable=extensiondir libcaja-extension ;;
    nautilus) pkg-config --variable=extensiondir libnautilus-extension-4 ;;
    thunar) pkg-config --variable=extensionsdir thunarx-3 ;;
    dolphin) echo "/usr/lib/$(gcc -print-multiarch)/qt5/plugins/kf5/kfileitemaction" ;;
    esac
}
# Where each plug-in is built, or installed.
module() {
    if [ -n "$installed" ]; then
        case $1 in
        dolphin) echo "$(system_folder dolphin)/quorvane-dolphin.so" ;;
        *) echo "$(system_folder "$1")/libquorvane-$1.so" ;;
        esac
        return
    fi
    case $1 in
    dolphin) echo "$build/extension/kf5/kfileitemaction/quorvane-dolphin.so" ;;
    *) echo "$build/extension/libquorvane-$1.so" ;;
    esac
}
if [ -n "$installed" ]; then
    ctl=/usr/bin/quorvanectl
    hint="is not installed: install the packages of make deb"
else
    ctl=$build/bin/quorvanectl
    hint="is not built: run make extension"
fi
for fm in $managers; do
    [ -f "$(module $fm)" ] || { echo "$(module $fm) $hint" >&2; exit 1; }
done
[ -x "$ctl" ] || { echo "$ctl $hint" >&2; exit 1; }

rm -rf "$shots"
mkdir -p "$shots"
work=$(mktemp -d)
placed=""
xvfb=""
cleanup() {
    for f in $placed; do rm -f "$f"; done
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

. "$root/tools/own-display.sh"
start_own_display "$work" "${QUORVANE_E2E_DISPLAY:-}"

status=0
for fm in $managers; do
    folder=""
    unset QT_PLUGIN_PATH
    if [ -z "$installed" ]; then
        case $fm in
        dolphin) export QT_PLUGIN_PATH="$build/extension" ;;
        *) folder=$(system_folder $fm) ;;
        esac
    fi
    if [ -n "$folder" ]; then
        mkdir -p "$folder"
        install -m 644 "$(module $fm)" "$folder/"
        placed="$placed $folder/$(basename "$(module $fm)")"
    fi

    # A home of its own for every run.
    home=$work/$fm
    mkdir -p "$home/files" "$home/run"
    chmod 700 "$home/run"
    printf 'sample\n' >"$home/files/sample.txt"
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
    export XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run" DISPLAY="$display"
    "$ctl" apply '"Clip_board","2","10","-2","-1","0","16"' >/dev/null

    if ! timeout 180 dbus-run-session -- "$0" --session $fm "$home/files" "$shots" "$ctl"; then
        echo "$fm: failed; see $shots" >&2
        status=1
    fi
    if [ -n "$folder" ]; then rm -f "$folder/$(basename "$(module $fm)")"; fi
done
exit $status
