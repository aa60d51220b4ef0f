#!/usr/bin/env bash
# Regenerates docs/main-window.png, the README's picture of the main window:
# the real VRK.exe on the test bench (Japanese font, code page 932), connected
# on COM1, a few lines from the host received and the settings menu open.
#
#   bench/screenshot.sh BUILD_DIR
#
# BUILD_DIR is a 64-bit build (scripts/build.sh x86_64 build).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
cd "$(dirname "$0")/.."
build=$(cd "$1" && pwd)
[ -f "$build/screenshot_session.exe" ] || { echo "$build has no screenshot_session.exe: build it first" >&2; exit 1; }
mkdir -p docs

bench/with-bench.sh "$build" -- bash -c '
    set -euo pipefail
    build=$1 picture=$2
    ready="$build/screenshot-ready" hold="$build/screenshot-hold"
    rm -f "$ready" "$hold"
    mkfifo "$hold"
    # The session holds the scene until its standard input ends.
    wine "$build/screenshot_session.exe" "$(winepath -w "$ready")" <"$hold" &
    session=$!
    exec 3>"$hold"
    for _ in $(seq 300); do [ -s "$ready" ] && break; sleep 0.1; done
    [ -s "$ready" ] || { echo "the scene was not ready" >&2; exit 1; }
    import -window root -crop "$(cat "$ready")" +repage "$picture"
    exec 3>&-
    wait "$session"
    rm -f "$ready" "$hold"' screenshot "$build" "$PWD/docs/main-window.png"
echo "picture: docs/main-window.png"
