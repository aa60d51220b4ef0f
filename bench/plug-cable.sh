#!/usr/bin/env bash
# Plugs a virtual null-modem cable of the bench in (again): COMn on the
# terminal's side, COM(n+20) on the far side, under the same link names as
# before, its process id in BENCH/COMn.pid so that it can be pulled again and
# is stopped with the bench.
#
#   bench/plug-cable.sh BENCH n
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BENCH n" >&2; exit 2; }
bench=$1 near=$2 far=$(($2 + 20))
rm -f "$bench/COM$near" "$bench/COM$far"
socat "pty,raw,echo=0,link=$bench/COM$near" "pty,raw,echo=0,link=$bench/COM$far" </dev/null >/dev/null 2>&1 &
echo $! >"$bench/COM$near.pid"
for _ in $(seq 100); do
    [ -e "$bench/COM$near" ] && [ -e "$bench/COM$far" ] && exit 0
    sleep 0.05
done
echo "the cable COM$near-COM$far did not come up" >&2
exit 1
