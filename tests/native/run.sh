#!/usr/bin/env bash
# Builds the windows-free text logic natively with clang under the address and
# undefined-behaviour sanitizers, runs its tests, then fuzzes each parser for
# FUZZ_SECONDS (default 10). Fails on a failed test or on any fuzzer crash.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/steps.sh
seconds=${FUZZ_SECONDS:-10}
cmake -S tests/native -B build-native -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-native
ctest --test-dir build-native --output-on-failure

# Seeds, as printf %b strings; argv words are separated by NUL bytes.
declare -A seeds=(
    [port_name]='COM7 COM256\x00 COM257 COM07 com5'
    [settings]='[VRK]\r\nA=0\r\n;c\r\n\r\n[X]\r\nb=2 \x20[vrk]\nB\x20=\x20"q"\nA=-7 [X]\nA=1 \xff\xfe[\x00V\x00R\x00K\x00]\x00\r\x00\n\x00A\x00=\x000\x00'
    [send_command]='[Send(ABC)] [Send(f(x))] [Send(\x95\x5C)] [send(x)]'
    [escapes]='a\\r\\n\\t\\\\ \\x41\\xfF \x95\x5C\\x \\q'
    [host_reply]='HELP\r STATUS\r\n echo\x20hi\r UNDO\x20\x82\xa0\r\x00x\r \x82'
    [host_sim_args]='--port\x003\x00--send\x00a\\r --port\x001\x00--split\x005,9\x00--stream\x000.5 --help\x00--x'
)
status=0
for target in "${!seeds[@]}"; do
    corpus=build-native/corpus/$target log=build-native/fuzz_$target.log
    rm -rf "$corpus" && mkdir -p "$corpus"
    i=0
    for seed in ${seeds[$target]}; do printf '%b' "$seed" >"$corpus/seed$((i++))"; done
    if build-native/fuzz_$target -max_total_time="$seconds" -max_len=8192 \
            -artifact_prefix=build-native/crash-$target- "$corpus" >"$log" 2>&1; then
        echo "fuzz_$target: $(grep '^Done' "$log")"
    else
        echo "fuzz_$target FAILED (log: $log):"; tail -n 40 "$log"; status=1
    fi
done
exit $status
