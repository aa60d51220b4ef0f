#!/usr/bin/env bash
# Builds VRK.exe and runs it under Wine, wired through a virtual null-modem
# cable (COM1 <-> COM21) to the bundled host simulator.
# With a display: the terminal opens there for you to use; close it to end.
# Without one: a short scripted session on a virtual display, a screenshot in
# build/demo.png, then everything closes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh x86_64 build

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    mkdir -p build/demo
    printf '[VRK]\r\nCommPort=0\r\nBaudRate=9600\r\n' >build/demo/VRK.ini
    cp build/VRK.exe build/demo/VRK.exe
    VRK_BENCH_DISPLAY=current bench/with-bench.sh build -- bash -c '
        wine build/host_sim.exe --port 21 --baud 9600 &
        wine build/demo/VRK.exe
        wineserver -k'
else
    rm -f build/demo-ready build/demo-done build/demo.png
    bench/with-bench.sh build -- bash -c '
        wine build/host_sim.exe --port 21 --baud 9600 --no-echo >/dev/null 2>&1 &
        wine build/demo_session.exe "$(winepath -w build/demo-ready)" "$(winepath -w build/demo-done)" &
        session=$!
        for _ in $(seq 300); do [ -e build/demo-ready ] && break; sleep 0.1; done
        import -window root build/demo.png
        touch build/demo-done
        wait $session'
    echo "screenshot: build/demo.png"
fi
