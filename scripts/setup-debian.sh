#!/usr/bin/env bash
# Installs what building and running the terminal needs on Debian 12, as root:
#   setup-debian.sh demo   the 64-bit terminal under Wine on a virtual display
#   setup-debian.sh        everything the tests need too (the 32-bit build,
#                          GoogleTest, clang for the native sanitizer run)
# Safe to run again: it only installs what is missing. The 32-bit Wine comes
# only where the kernel runs 32-bit programs: elsewhere it could not start,
# and Debian's wine command would still prefer it to the 64-bit one.
set -euo pipefail
source "$(dirname "$0")/steps.sh"

packages=(cmake ninja-build g++-mingw-w64-x86-64 wine wine64 xvfb socat locales fonts-ipafont-gothic fonts-wine
          x11-utils imagemagick)
[ "${1:-}" = demo ] || packages+=(g++-mingw-w64-i686 googletest clang libclang-rt-14-dev)
if [ "${1:-}" != demo ] && machine_runs_32bit; then
    packages+=(wine32:i386)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
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
