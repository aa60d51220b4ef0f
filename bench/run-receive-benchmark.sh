#!/usr/bin/env bash
# Streams host text into VRK.exe at 9600 and 115200 baud on the private bench
# and prints what arrived, the throughput, CPU time per MB and peak memory.
#
#   bench/run-receive-benchmark.sh BUILD_DIR [SECONDS]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS]" >&2; exit 2; }
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-30}
cmake --build "$build" --target receive_benchmark host_sim VRK
bench/with-bench.sh "$build" -- wine "$build/receive_benchmark.exe" "$seconds"
