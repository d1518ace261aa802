#!/bin/sh
# Checks of an install into a temporary prefix: check-install.sh CHECK ROOT BUILD BUILD_TYPE GUI.
# "install" makes ROOT/prefix with `cmake --install` and ROOT/destdir with DESTDIR; every other
# check reads them. Exit status 77 when a validator is missing: the check is skipped.
set -eu
check=$1 root=$2 build=$3 build_type=${4:-} gui=${5:-gui}
prefix=$root/prefix
staged=$root/destdir/opt/quorvane
app_id=org.quorvane.QuorvaneSetup

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

skip() {
    echo "SKIP: $* is not installed (make deps installs it)"
    exit 77
}

# The width and height of a PNG, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}

check_tree() {
    top=$1
    expected="bin/quorvanectl
libexec/quorvane/rundll32.exe
share/quorvane/Quorvane.inf
share/quorvane/Quorvane.rtf
share/quorvane/ReadMe.txt
share/doc/quorvane/README.md
share/doc/quorvane/ReadMe.txt
share/man/man1/quorvanectl.1
share/man/man1/quorvane-setup.1
share/bash-completion/completions/quorvanectl"
    if [ "$gui" = gui ]; then
        expected="$expected
bin/quorvane-setup
share/applications/$app_id.desktop
share/metainfo/$app_id.metainfo.xml
share/icons/hicolor/scalable/apps/quorvane-setup.svg"
        for size in 16 22 24 32 48 64 128 256; do
            expected="$expected
share/icons/hicolor/${size}x$size/apps/quorvane-setup.png"
        done
    fi
    echo "$expected" | while read -r file; do
        [ -f "$top/$file" ] || fail "$top/$file is missing"
    done
    # The programs alone in bin: the stand-in and the data files have homes of their own.
    for file in "$top"/bin/*; do
        case ${file##*/} in
            quorvanectl | quorvane-setup) ;;
            *) fail "$file does not belong in bin" ;;
        esac
    done
    [ -x "$top/bin/quorvanectl" ] && [ -x "$top/libexec/quorvane/rundll32.exe" ] ||
        fail "the programs in $top are not executable"
    if [ "$gui" = gui ]; then
        for size in 16 22 24 32 48 64 128 256; do
            got=$(png_size "$top/share/icons/hicolor/${size}x$size/apps/quorvane-setup.png")
            [ "$got" = "${size}x$size" ] || fail "the ${size}x$size icon is $got"
        done
    fi
    if [ "$build_type" != Debug ] && command -v readelf >/dev/null 2>&1; then
        for program in "$top"/bin/* "$top/libexec/quorvane/rundll32.exe"; do
            if readelf -S "$program" | grep -q '\.debug_info'; then
                fail "$program keeps its debug information"
            fi
        done
    fi
}

case $check in
install)
    rm -rf "$root"
    mkdir -p "$root"
    cmake --install "$build" --prefix "$prefix" >"$root/install.log" 2>&1 ||
        { cat "$root/install.log"; fail "cmake --install"; }
    DESTDIR=$root/destdir cmake --install "$build" --prefix /opt/quorvane \
        >"$root/destdir.log" 2>&1 || { cat "$root/destdir.log"; fail "cmake --install with DESTDIR"; }
    echo "installed into $prefix and $staged"
    ;;

layout)
    check_tree "$prefix"
    check_tree "$staged"
    echo "every file where it belongs"
    ;;

first-run)
    # The installed quorvanectl on fresh settings: the first run finds the INF below share and the
    # installer stand-in below libexec, which puts the help file in place.
    home=$root/home
    rm -rf "$home"
    mkdir -p "$home"
    export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" HOME="$home"
    ctl=$prefix/bin/quorvanectl
    [ "$("$ctl" --version)" = "quorvanectl 2.02" ] || fail "--version says '$("$ctl" --version)'"
    "$ctl" show >"$root/show.txt" 2>"$root/show.err" || { cat "$root/show.err"; fail "show"; }
    head -n 1 "$root/show.txt" | grep -qx '\[root\] Quorvane' || fail "show printed no menu"
    grep -q 'Installation probably failed' "$root/show.err" && fail "the installer was not found"
    help=$home/data/quorvane/ShellExt/Quorvane.rtf
    tries=0
    while [ ! -f "$help" ] && [ $tries -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    cmp -s "$help" "$prefix/share/quorvane/Quorvane.rtf" || fail "the help file was not installed"
    if command -v python3 >/dev/null 2>&1; then
        "$ctl" show --json | python3 -m json.tool >/dev/null || fail "show --json is no JSON"
    fi
    "$ctl" save - >"$root/menu.drm" || fail "save -"
    "$ctl" load - <"$root/menu.drm" >"$root/load.txt" || fail "load -"
    cmp -s "$root/show.txt" "$root/load.txt" || fail "load - printed another menu"
    echo "the installed programs find what they bring"
    ;;

desktop-file)
    [ "$gui" = gui ] || { echo "SKIP: built without the Qt program"; exit 77; }
    command -v desktop-file-validate >/dev/null 2>&1 || skip desktop-file-validate
    out=$(desktop-file-validate "$prefix/share/applications/$app_id.desktop" 2>&1) ||
        { echo "$out"; fail "desktop-file-validate"; }
    [ -z "$out" ] || { echo "$out"; fail "desktop-file-validate has hints"; }
    echo "the launcher validates"
    ;;

metainfo)
    [ "$gui" = gui ] || { echo "SKIP: built without the Qt program"; exit 77; }
    command -v appstreamcli >/dev/null 2>&1 || skip appstreamcli
    appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" ||
        fail "appstreamcli validate"
    ;;

man-pages)
    command -v man >/dev/null 2>&1 || skip man
    for page in quorvanectl quorvane-setup; do
        file=$prefix/share/man/man1/$page.1
        err=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null) ||
            { echo "$err"; fail "man -l $file"; }
        [ -z "$err" ] || { echo "$err"; fail "man -l $file warns"; }
        found=$(MANPATH=$prefix/share/man man -w "$page" 2>/dev/null) || fail "man does not find $page"
        [ "$found" = "$file" ] || fail "man finds $page at $found"
    done
    echo "the manual pages read clean"
    ;;

completion)
    command -v bash >/dev/null 2>&1 || skip bash
    script=$prefix/share/bash-completion/completions/quorvanectl
    work=$root/completion
    rm -rf "$work"
    mkdir -p "$work/sub"
    : >"$work/menu.drm"
    : >"$work/notes.txt"
    cd "$work"
    got=$(bash -c '
        . "$1"
        t() { COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()
              _quorvanectl; echo "${COMPREPLY[*]}"; }
        t quorvanectl ""
        t quorvanectl pre
        t quorvanectl preset C
        t quorvanectl load ""
        t quorvanectl show --j
        t quorvanectl help ap' sh "$script")
    want="show list parse apply preset save load help
preset
Current Compact
menu.drm sub -
--json
apply"
    [ "$got" = "$want" ] || { printf 'got:\n%s\nwant:\n%s\n' "$got" "$want"; fail "completion"; }
    # bash-completion loads it on demand from the data folder it was installed to.
    loader=/usr/share/bash-completion/bash_completion
    if [ -f "$loader" ]; then
        XDG_DATA_DIRS=$prefix/share bash -c '. "$1" && __load_completion quorvanectl &&
            complete -p quorvanectl' sh "$loader" | grep -q _quorvanectl ||
            fail "bash-completion does not find the completion"
    fi
    echo "completion offers commands, presets and menu files"
    ;;

*)
    fail "unknown check $check"
    ;;
esac
