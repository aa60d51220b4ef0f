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
# The 32-bit exe of the win32 package runs a scenario of its own. Where the
# kernel runs no 32-bit programs, it runs under qemu's emulator on a bench of
# its own (its prefix made with the 32-bit half), after the other tests,
# which stay on the 64-bit loader; where neither works it reports itself
# skipped.
win32_scenario='^scenario\.win32-package$'
export VRK_WIN32_EXE=$PWD/build-i686/VRK.exe
if machine_runs_32bit; then
    step tests bench/with-bench.sh build -- ctest --test-dir build --output-on-failure
elif [ -x /usr/lib/wine/wine ] && bench/with-i386-emulation.sh --check; then
    step tests bench/with-bench.sh build -- ctest --test-dir build --output-on-failure -E "$win32_scenario"
    step win32-package bench/with-i386-emulation.sh bench/with-bench.sh build-i686 -- \
        ctest --test-dir build --output-on-failure -R "$win32_scenario"
else
    echo "skipping scenario.win32-package, the 32-bit VRK.exe end to end: this machine runs no 32-bit programs, natively or emulated"
    unset VRK_WIN32_EXE
    step tests bench/with-bench.sh build -- ctest --test-dir build --output-on-failure
fi
step native bash tests/native/run.sh
