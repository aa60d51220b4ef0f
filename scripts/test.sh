#!/usr/bin/env bash
# Sets up the machine, builds the 64-bit terminal with its tests and the
# 32-bit terminal, packages both, runs every test under Wine on the private
# bench, then the text logic natively under the sanitizers and its parsers
# under the fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh x86_64 build
bash scripts/build.sh i686 build-i686 -DVRK_BUILD_TESTS=OFF
bash scripts/package.sh build build-i686
bench/with-bench.sh build -- ctest --test-dir build --output-on-failure
bash tests/native/run.sh
