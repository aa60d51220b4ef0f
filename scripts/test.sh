#!/usr/bin/env bash
# Sets up the machine, builds the 64-bit terminal with its tests and the
# 32-bit terminal, packages both, runs every test under Wine on the private
# bench, then the text logic natively under the sanitizers and its parsers
# under the fuzzer. Each step's output is kept in build-logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
step setup bash scripts/setup-debian.sh
step build-x86_64 bash scripts/build.sh x86_64 build
step build-i686 bash scripts/build.sh i686 build-i686 -DVRK_BUILD_TESTS=OFF
step package bash scripts/package.sh build build-i686
# The 32-bit exe of the win32 package runs a scenario of its own where the
# machine can run it; elsewhere that scenario reports itself skipped.
if machine_runs_32bit; then
    export VRK_WIN32_EXE=$PWD/build-i686/VRK.exe
else
    echo "skipping scenario.win32-package, the 32-bit VRK.exe end to end: this machine's kernel runs no 32-bit programs"
fi
step tests bench/with-bench.sh build -- ctest --test-dir build --output-on-failure
step native bash tests/native/run.sh
