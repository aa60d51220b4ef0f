#!/usr/bin/env bash
# Builds the release packages dist/VRK-<version>-win64.zip and -win32.zip:
# VRK.exe, the host simulator, a commented VRK.ini (Shift-JIS, CR LF, as the
# terminal reads it) and the operator's guide with its pictures.
#
#   scripts/package.sh [BUILD64 BUILD32]   (default: builds both without tests)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
if [ $# -eq 2 ]; then
    build64=$1 build32=$2
else
    build64=build-release-x86_64 build32=build-release-i686
    bash scripts/build.sh x86_64 "$build64" -DVRK_BUILD_TESTS=OFF
    bash scripts/build.sh i686 "$build32" -DVRK_BUILD_TESTS=OFF
fi
version=$(sed -nE 's/^#define VRK_VERSION_(MAJOR|MINOR) ([0-9]+)$/\2/p' resources/version.h | paste -sd.)
mkdir -p dist
for flavour in "win64 $build64" "win32 $build32"; do
    read -r name build <<<"$flavour"
    stage=$(mktemp -d)
    cp "$build/VRK.exe" "$build/host_sim.exe" "$stage/"
    iconv -f UTF-8 -t CP932 resources/sample-settings.ini | sed 's/$/\r/' >"$stage/VRK.ini"
    cp docs/guide-ja.md docs/main-window.png docs/port-dialog.png docs/main-window-144dpi.png "$stage/"
    rm -f "dist/VRK-$version-$name.zip"
    (cd "$stage" && python3 -m zipfile -c "$OLDPWD/dist/VRK-$version-$name.zip" ./*)
    rm -rf "$stage"
    echo "package: dist/VRK-$version-$name.zip"
done
