#!/usr/bin/env bash
# Installs what building and running the terminal needs on Debian 12, as root:
#   setup-debian.sh demo   the 64-bit terminal under Wine on a virtual display
#   setup-debian.sh        everything the tests need too (the 32-bit build,
#                          GoogleTest, clang for the native sanitizer run, and
#                          Wine's 32-bit loader for the 32-bit exe's scenario)
# Safe to run again: it only installs what is missing. Where the kernel runs
# no 32-bit programs, the 32-bit exe runs under qemu's user-mode emulator
# (bench/with-i386-emulation.sh), and Wine's 32-bit loader comes only once
# that is known to work; where neither works, that scenario is skipped.
set -euo pipefail
source "$(dirname "$0")/steps.sh"

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

packages=(cmake ninja-build g++-mingw-w64-x86-64 wine wine64 xvfb socat locales fonts-ipafont-gothic fonts-wine
          x11-utils imagemagick)
[ "${1:-}" = demo ] || packages+=(g++-mingw-w64-i686 googletest clang libclang-rt-14-dev)
emulate_32bit=no
if [ "${1:-}" != demo ]; then
    if machine_runs_32bit; then
        packages+=(wine32:i386)
    else
        packages+=(qemu-user-static)
        emulate_32bit=yes
    fi
fi
install_missing "${packages[@]}"
if [ "$emulate_32bit" = yes ]; then
    if "$(dirname "$0")/../bench/with-i386-emulation.sh" --check; then
        install_missing wine32:i386
    else
        echo "the 32-bit VRK.exe's scenario will be skipped (the line above says why)" >&2
    fi
fi

# Wine takes the system code page from the locale: 932 from the Japanese
# UTF-8 one, and 1252, as on an English Windows, from the US English one,
# under which some scenarios run again.
missing_locale=no
for locale in ja_JP en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^$locale\.utf8\$"; then
        sed -i "s/^# *$locale.UTF-8 UTF-8/$locale.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^$locale.UTF-8 UTF-8" /etc/locale.gen || echo "$locale.UTF-8 UTF-8" >>/etc/locale.gen
        missing_locale=yes
    fi
done
[ "$missing_locale" = no ] || locale-gen >/dev/null
