#!/usr/bin/env bash
# Regenerates the pictures of the README and the operator's guide from the
# real VRK.exe on the bench (Japanese font, code page 932): the main window
# connected on COM1 with host text received and the settings menu open, and
# the port dialog with its list of other ports; at 96 dots per inch and, with
# "-144dpi" in the name, at 144 (a display scaled to 150%).
#
#   bench/screenshot.sh BUILD_DIR
#
# BUILD_DIR is a 64-bit build (scripts/build.sh x86_64 build).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
cd "$(dirname "$0")/.."
source scripts/steps.sh
build=$(cd "$1" && pwd)
[ -f "$build/screenshot_session.exe" ] || { echo "$build has no screenshot_session.exe: build it first" >&2; exit 1; }
mkdir -p docs

for dpi in 96 144; do
    suffix=$([ "$dpi" = 96 ] || echo "-${dpi}dpi")
    VRK_BENCH_DPI=$dpi bench/with-bench.sh "$build" -- bash -c '
        set -euo pipefail
        build=$1 docs=$2 suffix=$3
        ready="$build/screenshot-ready" hold="$build/screenshot-hold"
        rm -f "$ready" "$hold"
        mkfifo "$hold"
        wine "$build/screenshot_session.exe" "$(winepath -w "$ready")" <"$hold" &
        session=$!
        exec 3>"$hold"
        for picture in main-window port-dialog; do
            for _ in $(seq 300); do [ -s "$ready" ] && break; sleep 0.1; done
            [ -s "$ready" ] || { echo "the scene was not ready" >&2; exit 1; }
            import -window root -crop "$(cat "$ready")" +repage "$docs/$picture$suffix.png"
            echo "picture: docs/$picture$suffix.png"
            rm -f "$ready"
            echo next >&3
        done
        exec 3>&-
        wait "$session"
        rm -f "$hold"' screenshot "$build" "$PWD/docs" "$suffix"
done
