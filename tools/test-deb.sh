#!/bin/sh
# The packages of make deb on this machine, as a user installs them: apt-get install, the programs
# from /usr/bin, a first start of quorvanectl on a fresh home (the installed stand-in and INF), each
# plug-in in the folder its file manager's pkg-config names, the file managers' end-to-end check
# against the installed plug-ins, an upgrade, then apt-get remove and purge, after which no file
# of the packages may be left and the user's settings must be as they were.
#
# The upgrade installs the same packages re-versioned (the built archives unpacked, their version
# raised to <version>+upgrade and packed again with dpkg-deb): dpkg and apt go through a real
# upgrade from one version to a higher one with the packages' own files and maintainer scripts,
# without a second build; the programs inside are the same build.
#
# Leaves the machine as it found it: whatever the install brought that was not installed before
# (the packages and any library they pulled in) is purged at the end, also when a check fails.
# Refuses to start when one of the packages is installed already.
#
# Usage: tools/test-deb.sh [folder of the packages]   (root; run by .ci/run)
# QUORVANE_DEB_DISPLAY=:N sets the virtual display of the end-to-end check (the first free one
# otherwise).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
debs=$(cd "${1:-$root/build/deb}" && pwd)
packages="quorvane-setup quorvane-nautilus quorvane-nemo quorvane-caja quorvane-thunar quorvane-dolphin"

if [ "$(id -u)" -ne 0 ]; then
    echo "The test installs and removes packages on this machine: run it as root." >&2
    exit 1
fi
for p in $packages; do
    [ -f "$(ls "$debs"/${p}_*.deb 2>/dev/null | head -1)" ] ||
        { echo "$debs holds no $p package: run make deb" >&2; exit 1; }
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "installed"; then
        echo "$p is installed already; the test installs and purges the packages itself." >&2
        exit 1
    fi
done

work=$(mktemp -d /tmp/quorvane-test-deb.XXXXXX)
brought=""
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
cleanup() {
    status=$?
    left=""
    for p in $brought; do known "$p" && left="$left $p"; done
    if [ -n "$left" ]; then
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $left >/dev/null 2>&1 ||
            echo "could not purge:$left" >&2
    fi
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM
export DEBIAN_FRONTEND=noninteractive
is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
# Installed, or removed with its configuration kept.
known() {
    case "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" in
    "" | *not-installed) return 1 ;;
    esac
}

# What the install will bring besides what is there now: purged again at the end.
cd "$(dirname "$debs")"
for p in $(apt-get install -s "./$(basename "$debs")"/*.deb | awk '/^Inst /{print $2}'); do
    is_installed "$p" || brought="$brought $p"
done
echo "== apt-get install ./$(basename "$debs")/*.deb (brings:$brought)"
apt-get install -y -q "./$(basename "$debs")"/*.deb >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "apt-get install"; }
for p in $packages; do
    is_installed "$p" || fail "$p is not installed"
done
# Every file the packages brought, directories aside.
for p in $packages; do dpkg -L "$p"; done | while read -r f; do
    [ -d "$f" ] || echo "$f"
done | sort >"$work/files"
echo "installed: $(wc -l <"$work/files") files in $(echo $packages | wc -w) packages"

echo "== the programs from /usr/bin"
[ "$(command -v quorvane-setup)" = /usr/bin/quorvane-setup ] || fail "quorvane-setup is not /usr/bin's"
[ "$(command -v quorvanectl)" = /usr/bin/quorvanectl ] || fail "quorvanectl is not /usr/bin's"
home=$work/home
mkdir -p "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache"
version=$(sed -n 's/^project([A-Za-z]* VERSION \([^ )]*\).*/\1/p' "$root/CMakeLists.txt")
[ "$(quorvanectl --version)" = "quorvanectl $version" ] || fail "quorvanectl --version: $(quorvanectl --version)"

# A first start on a fresh home: the installed stand-in installs the installed INF and the Default
# menu is stored and shown.
quorvanectl show >"$work/first.txt" 2>"$work/first.err" || { cat "$work/first.err"; fail "quorvanectl show"; }
grep -q 'Installation probably failed' "$work/first.err" && fail "the installed stand-in or INF was not found"
head -n 1 "$work/first.txt" | grep -qx '\[root\] Quorvane' || fail "quorvanectl show printed no menu"
quorvanectl preset Default >/dev/null || fail "quorvanectl preset Default"
quorvanectl show >"$work/default.txt" || fail "quorvanectl show after preset Default"
cmp -s "$work/first.txt" "$work/default.txt" || fail "the first start did not store the Default menu"
help=$XDG_DATA_HOME/quorvane/ShellExt/Quorvane.rtf
tries=0
while [ ! -f "$help" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
cmp -s "$help" /usr/share/quorvane/Quorvane.rtf || fail "the stand-in did not put the help file in place"
echo "quorvanectl show on a fresh home, first lines:"
head -n 6 "$work/first.txt"

# The window on Qt's offscreen platform: started, it must still be running after five seconds.
ldd /usr/bin/quorvane-setup /usr/bin/quorvanectl | grep -q 'not found' && fail "a library is missing"
status=0
QT_QPA_PLATFORM=offscreen timeout 5 quorvane-setup >"$work/setup.log" 2>&1 || status=$?
[ $status -eq 124 ] || { cat "$work/setup.log"; fail "quorvane-setup ended with status $status"; }
echo "quorvane-setup started and ran until stopped"

echo "== each plug-in where its file manager looks"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for fm in nemo caja nautilus thunar dolphin; do
    case $fm in
    nemo) want=$(pkg-config --variable=extensiondir libnemo-extension)/libquorvane-nemo.so ;;
    caja) want=$(pkg-config --variable=extensiondir libcaja-extension)/libquorvane-caja.so ;;
    nautilus) want=$(pkg-config --variable=extensiondir libnautilus-extension-4)/libquorvane-nautilus.so ;;
    thunar) want=$(pkg-config --variable=extensionsdir thunarx-3)/libquorvane-thunar.so ;;
    dolphin) want=/usr/lib/$multiarch/qt5/plugins/kf5/kfileitemaction/quorvane-dolphin.so ;;
    esac
    dpkg -L "quorvane-$fm" | grep -qx "$want" || fail "quorvane-$fm does not hold $want"
    [ -f "$want" ] || fail "$want is missing"
    echo "quorvane-$fm: $want"
done

echo "== the file managers' end-to-end check against the installed plug-ins"
if ! QUORVANE_E2E_DISPLAY=${QUORVANE_DEB_DISPLAY:-} "$root/tests/extension/end-to-end.sh" --installed "$debs" \
    >"$work/e2e.log" 2>&1; then
    tail -n 40 "$work/e2e.log"
    fail "the end-to-end check (screenshots in $debs/extension-e2e)"
fi
grep -E '^[a-z]+: cascade shown' "$work/e2e.log"

# The user's settings, as they must stay through the upgrade, the removal and the purge.
quorvanectl apply '"2","Show","4","-2","-2"' >/dev/null || fail "quorvanectl apply"
(cd "$home" && find . -type f -exec sha256sum {} + | sort) >"$work/home.sums"

echo "== upgrade to the same packages re-versioned $version+upgrade"
mkdir "$work/upgrade"
for p in $packages; do
    unpacked=$work/upgrade/$p
    dpkg-deb -R "$(ls "$debs"/${p}_*.deb | head -1)" "$unpacked"
    sed -i -e "s/^Version: .*/Version: $version+upgrade/" \
        -e "s/quorvane-setup (= [^)]*)/quorvane-setup (= $version+upgrade)/" "$unpacked/DEBIAN/control"
    dpkg-deb -b "$unpacked" "$work/upgrade/${p}_$version+upgrade.deb" >/dev/null
    rm -rf "$unpacked"
done
(cd "$work/upgrade" && apt-get install -y -q ./*.deb >"$work/upgrade.log" 2>&1) ||
    { cat "$work/upgrade.log"; fail "the upgrade"; }
for p in $packages; do
    [ "$(dpkg-query -W -f='${Version}' "$p")" = "$version+upgrade" ] || fail "$p was not upgraded"
done
for p in $packages; do dpkg -L "$p"; done | while read -r f; do
    [ -d "$f" ] || echo "$f"
done | sort >"$work/files-upgraded"
cmp -s "$work/files" "$work/files-upgraded" || fail "the upgrade changed the packages' files"
while read -r f; do [ -e "$f" ] || fail "$f is missing after the upgrade"; done <"$work/files"
quorvanectl show >/dev/null || fail "quorvanectl after the upgrade"
echo "upgraded to $version+upgrade; every file in place"

# Left behind: a file of the packages that still exists, or a folder of their own.
leftovers() {
    while read -r f; do [ -e "$f" ] && echo "$f"; done <"$work/files"
    for d in /usr/libexec/quorvane /usr/share/quorvane; do [ -e "$d" ] && echo "$d"; done
    for p in $packages; do [ -e "/usr/share/doc/$p" ] && echo "/usr/share/doc/$p"; done
    true
}
echo "== apt-get remove"
# shellcheck disable=SC2086
apt-get remove -y -q $packages >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "apt-get remove"; }
left=$(leftovers)
[ -z "$left" ] || fail "left after apt-get remove: $left"
for p in $packages; do
    known "$p" && fail "$p is still known to dpkg after apt-get remove (it has no configuration files)"
done
echo "nothing of the packages is left after apt-get remove"
# The packages keep no configuration files, so removing them forgets them whole; purge is tried
# from installed packages, as a user who purges at once does.
echo "== apt-get install again, then apt-get purge"
apt-get install -y -q "./$(basename "$debs")"/*.deb >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "apt-get install again"; }
# shellcheck disable=SC2086
apt-get purge -y -q $packages >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "apt-get purge"; }
for p in $packages; do
    known "$p" && fail "$p is still known to dpkg"
done
left=$(leftovers)
[ -z "$left" ] || fail "left after apt-get purge: $left"
echo "no file of the packages is left ($(wc -l <"$work/files") checked)"
(cd "$home" && find . -type f -exec sha256sum {} + | sort) | cmp -s - "$work/home.sums" ||
    fail "the user's settings changed"
echo "the user's settings are as they were"
echo "installed, upgraded, removed and purged cleanly"
