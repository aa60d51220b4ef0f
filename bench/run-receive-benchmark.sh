#!/usr/bin/env bash
# Streams host text into VRK.exe, into Debian's PuTTY on a second cable and
# into the bare reader (the floor), the host writing every 100 ms and every
# 16 ms, on the private bench; prints what arrived, the rate sustained, CPU
# time per MB and the ratios, peak memory and the idle cost beside a bare
# window's. With --soak it streams short lines at 115200 into VRK.exe alone
# for MINUTES.
#
#   bench/run-receive-benchmark.sh BUILD_DIR [SECONDS] [--long-lines] [--baud B] [--terminal-only]
#   bench/run-receive-benchmark.sh BUILD_DIR --soak MINUTES
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS] [--long-lines] [--baud B] [--terminal-only] | --soak MINUTES" >&2; exit 2; }
cd "$(dirname "$0")/.."
source scripts/steps.sh
build=$1
shift
command -v putty >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q putty >/dev/null
cmake --build "$build" --target receive_benchmark host_sim bare_reader VRK
bench/with-bench.sh "$build" -- wine "$build/receive_benchmark.exe" "$@"
