#!/usr/bin/env bash
# Configures and builds one flavour: build.sh x86_64|i686 BUILD_DIR [cmake options...]
# With TARGETS set (names separated by spaces), builds only those.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/steps.sh
arch=$1 dir=$2
shift 2
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" "$@" >/dev/null
# shellcheck disable=SC2086
cmake --build "$dir" -j "$(nproc)" ${TARGETS:+--target $TARGETS}
