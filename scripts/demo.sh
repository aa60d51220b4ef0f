#!/usr/bin/env bash
# Builds VRK.exe and runs it under Wine, wired through a virtual null-modem
# cable (COM1 <-> COM21) to the bundled host simulator.
# With a display: the terminal opens there for you to use; close it to end.
# Without one: a short scripted session on a virtual display, a screenshot in
# build-demo/demo.png, then everything closes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
step setup-demo bash scripts/setup-debian.sh demo
# Only the terminal, the host simulator and the demo's own driver: no tests.
step build-demo env TARGETS="VRK host_sim demo_session" bash scripts/build.sh x86_64 build-demo -DVRK_BUILD_TESTS=OFF

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    mkdir -p build-demo/demo
    printf '[VRK]\r\nCommPort=0\r\nBaudRate=9600\r\n' >build-demo/demo/VRK.ini
    cp build-demo/VRK.exe build-demo/demo/VRK.exe
    VRK_BENCH_DISPLAY=current bench/with-bench.sh build-demo -- bash -c '
        wine build-demo/host_sim.exe --port 21 --baud 9600 &
        wine build-demo/demo/VRK.exe
        wineserver -k'
else
    rm -f build-demo/demo-ready build-demo/demo-done build-demo/demo.png
    step demo-session bench/with-bench.sh build-demo -- bash -c '
        wine build-demo/host_sim.exe --port 21 --baud 9600 --no-echo >/dev/null 2>&1 &
        wine build-demo/demo_session.exe "$(winepath -w build-demo/demo-ready)" "$(winepath -w build-demo/demo-done)" &
        session=$!
        for _ in $(seq 300); do [ -e build-demo/demo-ready ] && break; sleep 0.1; done
        import -window root build-demo/demo.png
        touch build-demo/demo-done
        wait $session'
    echo "screenshot: build-demo/demo.png"
fi
