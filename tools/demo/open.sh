#!/usr/bin/env bash
# Opens the tool on the demo prefix for a person at a display (DISPLAY must be set). Plants the demo's
# infections afresh when the prefix is missing or --fresh is given; the locked file's holder and the
# running infected program are started too, so a scan meets everything the demo shows.
#   bash tools/demo/open.sh [--fresh] [win98|nt40|win2k|winxp|win7|win10]
source "$(dirname "$0")/common.sh"

fresh=0
version=winxp
for arg in "$@"; do
    case "$arg" in
        --fresh) fresh=1 ;;
        win98|nt40|win2k|winxp|win7|win10) version=$arg ;;
        *) echo "usage: $0 [--fresh] [win98|nt40|win2k|winxp|win7|win10]" >&2; exit 2 ;;
    esac
done
if [ -z "${DISPLAY:-}" ]; then
    echo "open.sh needs a display; for a run without one use tools/demo/demo.sh" >&2
    exit 2
fi
demo_build
if [ "$fresh" = 1 ] || [ ! -f "$DEMO_PREFIX/system.reg" ]; then
    demo_make_prefix
else
    tvx_start_server "$DEMO_PREFIX" >/dev/null 2>&1
fi
tvx_set_version "$DEMO_PREFIX" tarvex.exe "$version"
cleanup() {
    [ -n "${HOLDER_PID:-}" ] && kill "$HOLDER_PID" 2>/dev/null
    [ -n "${AGENT_PID:-}" ] && kill "$AGENT_PID" 2>/dev/null
    tvx_stop_prefix "$DEMO_PREFIX"
}
trap cleanup EXIT
if [ -e "$(unix_path "$DEMO_PREFIX" "$DEMO_RUNNING")" ]; then
    demo_wine "$DEMO_RUNNING" >/dev/null 2>&1 &
    AGENT_PID=$!
fi
if [ -e "$(unix_path "$DEMO_PREFIX" 'C:\Temp\locked\update.exe')" ]; then
    demo_start_holder
fi
say "Tarvex on $DEMO_PREFIX as $version; close its window to end"
demo_wine 'C:\tarvex\tarvex.exe'
