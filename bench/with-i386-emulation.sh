#!/usr/bin/env bash
# Runs a command where 32-bit x86 programs run through qemu's user-mode
# emulator, for a machine whose kernel runs no 32-bit programs itself.
#
#   bench/with-i386-emulation.sh COMMAND...
#   bench/with-i386-emulation.sh --check   exit 0 if it can; else says which step failed
#
# The i386 format is registered in a binfmt_misc of the command's own: a user
# and mount namespace made for it, so that nothing changes for the rest of the
# machine. Registered machine-wide, the format would make Debian's wine
# command choose the emulated 32-bit loader for every program, and set-up take
# the machine for one that runs 32-bit programs. The F flag opens the
# emulator at registration, so it is found whatever the command's file system.
set -euo pipefail
source "$(dirname "$0")/../scripts/steps.sh"

qemu=/usr/bin/qemu-i386-static
# Wine's 32-bit loader maps the shared user data at 0x7ffe0000 and reserves
# the address space up to 0x82000000, which qemu must hold for it: without a
# reservation the map fails ("failed to map the shared user data: c0000018").
# Every 64 MB reserved above that costs seconds at each program's start (a
# whole 4 GB, half a minute and more), so it is the least that runs, with a
# little to spare.
export QEMU_RESERVED_VA=0x84000000

fail() {
    echo "32-bit programs cannot run emulated here: $*" >&2
    exit 1
}

register_i386() {
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
        fail "binfmt_misc could not be mounted in the namespace (the kernel may be older than 6.7)"
    printf '%s' ":qemu-i386:M::$magic:$mask:$qemu:F" >/proc/sys/fs/binfmt_misc/register 2>/dev/null ||
        fail "the i386 format could not be registered with $qemu"
    machine_runs_32bit || fail "a 32-bit program did not run under $qemu"
}

if [ "${VRK_I386_NAMESPACE:-}" = inside ]; then
    register_i386
    [ "$1" = --check ] && exit 0
    exec "$@"
fi

[ $# -ge 1 ] || { echo "usage: $0 COMMAND... | --check" >&2; exit 2; }
[ -x "$qemu" ] || fail "$qemu is missing (Debian's qemu-user-static)"
unshare --user --map-root-user --mount true 2>/dev/null ||
    fail "no user and mount namespace could be made (unshare --user --map-root-user --mount)"
VRK_I386_NAMESPACE=inside exec unshare --user --map-root-user --mount bash "$0" "$@"
