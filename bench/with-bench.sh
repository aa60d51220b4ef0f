#!/usr/bin/env bash
# Runs a command inside a private Windows bench: its own Wine prefix under
# BUILD_DIR/bench, its own virtual display, code page 932, and virtual
# null-modem cables on COM ports. Everything started here is stopped on exit.
#
#   bench/with-bench.sh BUILD_DIR -- COMMAND...
#
# With VRK_BENCH_DISPLAY=current and DISPLAY set, the windows appear on that
# display instead of a private virtual one. VRK_BENCH_DPI sets the display's
# resolution in dots per inch (default 96; 144 is a display scaled to 150%).
# VRK_BENCH_LANG sets the locale Wine takes the system code page from
# (default ja_JP.UTF-8, code page 932; en_US.UTF-8 gives 1252, as on an
# English Windows); a program run on the bench can also set LANG and LC_ALL
# for itself.
#
# Cables (terminal side <-> far side): COM1-COM21, COM2-COM22, COM3-COM23,
# COM5-COM25, COM12-COM32. COM40 names no device. The process id of each
# cable is in BENCH/COMn.pid (n the terminal side), so that a test can pull
# a cable and plug it in again: "$VRK_CABLE" "$VRK_BENCH" pull|plug n
# (bench/cable.sh); VRK_BENCH names BENCH. The private display's process id
# is in BENCH/display.pid.
set -euo pipefail
source "$(dirname "$0")/../scripts/steps.sh"

[ $# -ge 3 ] && [ "$2" = "--" ] || { echo "usage: $0 BUILD_DIR -- COMMAND..." >&2; exit 2; }
build=$(cd "$1" && pwd)
shift 2

bench="$build/bench"
mkdir -p "$bench"
export WINEPREFIX="$bench/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=${VRK_BENCH_LANG:-ja_JP.UTF-8} LC_ALL=${VRK_BENCH_LANG:-ja_JP.UTF-8}
export VRK_BENCH="$bench"
export VRK_CABLE="$(cd "$(dirname "$0")" && pwd)/cable.sh"

# Every program of the bench runs on Wine's 64-bit loader, whatever the
# machine. Debian's wine command prefers the 32-bit loader wherever wine32 is
# installed, even on a kernel that cannot run it, and under emulation it
# would run everything emulated: wine, wine-stable (which wineboot, winepath
# and ctest's emulator go through) name the 64-bit loader here. A 32-bit exe
# is still started on the 32-bit loader, which Wine itself picks for it.
use_64bit_loader() {
    local shims="$bench/loader" name
    mkdir -p "$shims"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/$name"
        chmod +x "$shims/$name"
    done
    export WINELOADER=/usr/lib/wine/wine64 PATH="$shims:$PATH"
}

pids=()
# A cable plugged in again by a test is no child of this script; its id is
# taken from its file only while it still names that cable's socat.
stop_cables() {
    local file pid
    for file in "$bench"/COM*.pid; do
        [ -e "$file" ] || continue
        pid=$(cat "$file")
        grep -qa "link=$bench/" "/proc/$pid/cmdline" 2>/dev/null && kill "$pid" 2>/dev/null || true
        rm -f "$file"
    done
}
stop_bench() {
    wineserver -k >/dev/null 2>&1 || true
    stop_cables
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop_bench EXIT

start_display() {
    local fifo="$bench/display.fifo"
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    pids+=($!)
    echo $! >"$bench/display.pid"
    local number
    read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
    rm -f "$fifo"
    export DISPLAY=":$number"
    # A desktop session loads a resource database into its display. Without
    # one, libX11 looks for ~/.Xdefaults afresh on every lookup, and Wine
    # looks a font setting up each time a font is selected: twice a line of
    # text in an edit control. One entry that means nothing to anyone spares
    # every program on the bench that cost; the display keeps it once its
    # last client leaves (-noreset), as a desktop's display does.
    xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "bench.loaded: true" ||
        { echo "could not load a resource database into the display" >&2; exit 1; }
}

# A byte written at the terminal's side must come out at the far side; else
# the tests would fail one by one for a bench fault, so it stops here and
# says where the cable's ends lead.
check_cable() {
    local near=$1 far=$(($1 + 20)) got="" fd
    exec {fd}<>"$bench/COM$far"
    printf x >"$bench/COM$near"
    read -r -t 2 -n 1 -u "$fd" got || true
    exec {fd}<&-
    [ "$got" = x ] && return 0
    echo "the cable COM$near-COM$far carries nothing: COM$near is $(readlink "$bench/COM$near")," \
         "COM$far is $(readlink "$bench/COM$far"); /dev/pts holds: $(ls /dev/pts | tr '\n' ' ')" >&2
    exit 1
}

# The terminal's side of each cable; the far side is twenty numbers up. Both
# sides are mapped to COM ports.
cable_ports=(1 2 3 5 12)
mapped_ports=()
for near in "${cable_ports[@]}"; do
    mapped_ports+=("COM$near" "COM$((near + 20))")
done

start_cables() {
    local near
    for near in "${cable_ports[@]}"; do
        "$VRK_CABLE" "$bench" plug "$near" || exit 1
        check_cable "$near"
    done
}

map_ports() {
    local reg="$bench/ports.reg" name
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
        for name in "${mapped_ports[@]}"; do
            printf '"%s"="%s"\r\n' "$name" "$bench/$name"
        done
        # With no window manager on the private display, every hidden managed
        # window costs Wine a two-second wait for a withdrawal that never comes.
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="%s"\r\n' "$managed"
        printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n' "${VRK_BENCH_DPI:-96}"
    } >"$reg"
    wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1 || true
}

# The dosdevices/comN links are rebuilt from the Ports key only when a server
# starts, from the registry it finds on disk: the key is written on a server
# of its own, which is stopped and waited for, so that it has saved it.
save_port_map() {
    local try
    for try in 1 2 3; do
        wineserver -w
        wineserver -p
        map_ports
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w
        grep -qF "\"${mapped_ports[-1]}\"=\"$bench/" "$WINEPREFIX/system.reg" && return 0
    done
    echo "the COM ports could not be saved in the registry of $WINEPREFIX" >&2
    exit 1
}

# Should the server's rebuild not have run, a link left from the prefix's
# first start (com1 on /dev/ttyS0, say) would put the tests on a port that
# is no cable; the links are set right by hand for this server's life.
check_port_links() {
    local name link
    for name in "${mapped_ports[@]}"; do
        link="$WINEPREFIX/dosdevices/${name,,}"
        [ "$(readlink "$link")" = "$bench/$name" ] && continue
        echo "warning: $link named '$(readlink "$link")' after the server started; linked to $bench/$name" >&2
        ln -sfn "$bench/$name" "$link"
    done
}

use_64bit_loader
managed=N
rm -f "$bench/display.pid"
if [ "${VRK_BENCH_DISPLAY:-}" = current ] && [ -n "${DISPLAY:-}" ]; then
    managed=Y
else
    start_display
fi
start_cables
if [ ! -d "$WINEPREFIX" ]; then
    wineboot -i >"$bench/wineboot.log" 2>&1 ||
        { echo "wineboot -i could not make the Wine prefix $WINEPREFIX (log: $bench/wineboot.log)" >&2; exit 1; }
fi
# Caption buttons are drawn with Marlett; without it they show as letters.
cp -n /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
save_port_map
# A warm, persistent server keeps Wine's background services from inheriting
# (and holding open) the output pipe of whatever runs next.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
check_port_links

status=0
"$@" || status=$?
[ "$status" -eq 0 ] || echo "on the bench, '$*' failed with exit status $status" >&2
exit "$status"
