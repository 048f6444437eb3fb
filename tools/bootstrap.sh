#!/usr/bin/env bash
# Installs what building and testing need, from Debian's archive only, and where the kernel refuses
# 32-bit programs, sets up their user-mode emulation (tools/emulation.sh). Idempotent: does nothing and
# prints nothing when everything is already there.
set -euo pipefail
cd "$(dirname "$0")/.."

# Packages are asked of dpkg, never found by a program's name on PATH: a stand-in of the same name
# (an unrelated `convert`, a wrapper called `wine`) must not pass for the real thing.
need=()
installed() { [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]; }
for pkg in g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 wine64 xvfb x11-utils doctest-dev \
           clang g++ make python3 python3-pil util-linux xdotool; do
    installed "$pkg" || need+=("$pkg")
done
# The fuzzer run-time comes with the clang version that is installed; Debian 12's is 14.
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)

if [ ${#need[@]} -gt 0 ]; then
    echo "bootstrap: installing ${need[*]}" >&2
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo_cmd dpkg --add-architecture i386
    fi
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Only now can Wine's own 32-bit loader be asked whether it starts.
source tools/emulation.sh
tvx_setup_emulation
