# Sourced by every script of the README. A script that stops says which step
# and which command failed, and where that step's log is, instead of ending
# on a bare exit code.
#
#   step NAME COMMAND...   runs COMMAND, its output shown and kept in
#                          build-logs/NAME.log
#
# Anything that fails outside a step is reported by the trap below, with the
# script, its line and the command.

vrk_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
vrk_logs=$vrk_top/build-logs

report_failure() {
    local status=$1 line=$2 command=$3
    echo "${0#"$vrk_top/"}: line $line: '$command' failed with exit status $status" >&2
}
set -o errtrace
trap 'report_failure $? $LINENO "$BASH_COMMAND"' ERR

step() {
    local name=$1 status=0
    shift
    mkdir -p "$vrk_logs"
    echo "== $name: $*"
    # The trap stays quiet here: the step's own message below says more.
    trap - ERR
    "$@" 2>&1 | tee "$vrk_logs/$name.log" || status=${PIPESTATUS[0]}
    trap 'report_failure $? $LINENO "$BASH_COMMAND"' ERR
    if [ "$status" -ne 0 ]; then
        echo "step '$name' failed (exit status $status): $*" >&2
        echo "its log: $vrk_logs/$name.log" >&2
        exit "$status"
    fi
}

# True where the kernel runs 32-bit x86 programs (some cloud and micro-VM
# kernels are built without it). Asked by running one: the smallest i386
# program there is, which only exits, written out as bytes.
machine_runs_32bit() {
    local probe
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08\x5d\0\0\0\x5d\0\0\0\x05\0\0\0\0\x10\0\0\xb8\x01\0\0\0\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    local status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return "$status"
}
