#!/usr/bin/env bash
# Plugs a virtual null-modem cable of the bench in, or pulls it out: COMn on
# the terminal's side, COM(n+20) on the far side. Plugged in (again) under the
# same link names, its process id goes to BENCH/COMn.pid, where pulling finds
# it and the bench stops it at exit.
#
#   bench/cable.sh BENCH plug|pull n
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BENCH plug|pull n" >&2; exit 2; }
bench=$1 near=$3 far=$(($3 + 20))
if [ "$2" = pull ]; then
    kill "$(cat "$bench/COM$near.pid")"
    exit 0
fi
rm -f "$bench/COM$near" "$bench/COM$far"
socat "pty,raw,echo=0,link=$bench/COM$near" "pty,raw,echo=0,link=$bench/COM$far" </dev/null >/dev/null 2>&1 &
echo $! >"$bench/COM$near.pid"
for _ in $(seq 100); do
    [ -e "$bench/COM$near" ] && [ -e "$bench/COM$far" ] && exit 0
    sleep 0.05
done
echo "the cable COM$near-COM$far did not come up" >&2
exit 1
