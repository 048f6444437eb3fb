#!/usr/bin/env bash
# Installs what building and testing need, from Debian's archive only. Idempotent: does nothing
# when everything is already there.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++ || need+=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
have wine || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
have Xvfb || need+=(xvfb)
have xdpyinfo || need+=(x11-utils)
have convert || need+=(imagemagick)
[ -f /usr/include/doctest/doctest.h ] || need+=(doctest-dev)
have clang++ || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
have g++ || need+=(g++)
have make || need+=(make)
[ -x /usr/bin/python3 ] || need+=(python3)
/usr/bin/python3 -c "import PIL" >/dev/null 2>&1 || need+=(python3-pil)
have taskset || need+=(util-linux)

if [ ${#need[@]} -eq 0 ]; then
    exit 0
fi
echo "bootstrap: installing ${need[*]}" >&2
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo_cmd dpkg --add-architecture i386
fi
$sudo_cmd apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
