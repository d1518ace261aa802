#!/bin/sh
# Builds the Debian packages (debian/) into build/deb/: quorvane-setup and one per file manager's
# plug-in. The build runs in a copy of the sources below build/deb/, so that debhelper's build
# folder and files never land in the working tree; the packages, .changes and .buildinfo land
# beside the copy. Installs the build dependencies and the packaging tools first when they are
# missing, then runs lintian over the result; an error or a warning from it fails the build.
#
# Usage: tools/build-deb.sh [output folder]     (DEB_BUILD_OPTIONS adds to "nocheck parallel=2")
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/deb}
cd "$root"

# The version is defined once, in project(VERSION); the changelog must carry the same one.
project_version=$(sed -n 's/^project([A-Za-z]* VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
changelog_version=$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' debian/changelog)
if [ "$project_version" != "$changelog_version" ]; then
    echo "debian/changelog is at version $changelog_version but CMakeLists.txt's project() at" \
        "$project_version: add a changelog entry for $project_version (dch -v $project_version)." >&2
    exit 1
fi

./tools/ensure-deps.sh deb

rm -rf "$out"
src=$out/quorvane-setup-$project_version
mkdir -p "$src"
# What git tracks or would track, as it stands in the working tree.
git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$src"

if ! (cd "$src" && dpkg-checkbuilddeps 2>/dev/null); then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo=sudo; fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get build-dep -y -q --no-install-recommends "$src"
fi

# make test builds and runs the tests (nocheck); the packages build only what they ship. No
# -dbgsym packages (noddebs): Debian 12 names them .deb, and `apt install ./build/deb/*.deb`
# should bring the programs only.
export DEB_BUILD_OPTIONS="nocheck noddebs parallel=2 ${DEB_BUILD_OPTIONS:-}"
(cd "$src" && dpkg-buildpackage -b -us -uc)
rm -rf "$src"

ls -1 "$out"
lintian --fail-on error,warning "$out"/*.changes
echo "lintian: no error and no warning"
