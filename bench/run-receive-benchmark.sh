#!/usr/bin/env bash
# Streams host text into VRK.exe, and the same kind of stream into Debian's
# PuTTY on a second cable, at 9600 and 115200 baud, long lines and short ones,
# on the private bench; prints what arrived, the rate sustained, CPU time per
# MB for both and their ratio, the idle cost and peak memory. With --soak it
# streams short lines at 115200 into VRK.exe alone for MINUTES.
#
#   bench/run-receive-benchmark.sh BUILD_DIR [SECONDS | --soak MINUTES]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [SECONDS | --soak MINUTES]" >&2; exit 2; }
cd "$(dirname "$0")/.."
source scripts/steps.sh
build=$1
shift
command -v putty >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q putty >/dev/null
cmake --build "$build" --target receive_benchmark host_sim VRK
bench/with-bench.sh "$build" -- wine "$build/receive_benchmark.exe" "$@"
