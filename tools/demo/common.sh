# Shared steps of the demo commands: the build, the demo sandbox prefix and its planted infections.
# Source this file; it sets DEMO_PREFIX, TVX_BUILD and the programs' paths.

set -euo pipefail
TVX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export TVX_ROOT
export TVX_BUILD=$(realpath -m "${TVX_BUILD:-$TVX_ROOT/build}")
DEMO_PREFIX=$(realpath -m "${TVX_DEMO_PREFIX:-$TVX_BUILD/demo-prefix}")
AUTO_PREFIX=$DEMO_PREFIX
source "$TVX_ROOT/tests/lib/tool_paths.sh"

say() { printf '\033[1m== %s\033[0m\n' "$*"; }

demo_build() {
    say "Installing what the build needs (Debian packages, only when missing)"
    bash "$TVX_ROOT/tools/bootstrap.sh"
    say "Building the tool, the automation client, the lock holder and the fixture maker"
    make -C "$TVX_ROOT" -j"$(nproc)" B="$TVX_BUILD" "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" \
        >"$TVX_BUILD.demo-build.log" 2>&1 || { tail -30 "$TVX_BUILD.demo-build.log"; exit 1; }
    source "$TVX_ROOT/tests/lib/wine_env.sh"
}

# demo_wine ARGS...: wine in the demo prefix, started from inside it.
demo_wine() {
    (cd "$DEMO_PREFIX/drive_c" && exec env WINEPREFIX="$DEMO_PREFIX" wine "$@")
}

# The planted infections: signature row, Windows path, autostart value name ("-" for none), what
# makes it special.
DEMO_FILES=(
    '5|C:\windows\system32\mssys.exe|MsSys|started by a bare name from the system folder'
    '1|C:\Program Files\Freeware\kyrview.exe|KyrView|started by its quoted full path'
    '2|C:\Downloads\invoice.exe|-|read-only'
    '2|C:\Temp\locked\update.exe|Updater|held open by another program: deleted at the next start'
)
DEMO_RUNNING='C:\Temp\agent\kyragent.exe'

# demo_make_prefix: a fresh demo prefix with the infections planted (holder and running program
# are started by the demo itself).
demo_make_prefix() {
    say "Making the demo sandbox prefix $DEMO_PREFIX"
    if [ -d "$DEMO_PREFIX" ]; then
        tvx_stop_prefix "$DEMO_PREFIX"
        rm -rf "$DEMO_PREFIX"
    fi
    tvx_copy_prefix "$DEMO_PREFIX"
    mkdir -p "$DEMO_PREFIX/drive_c/tarvex"
    cp "$TOOL_EXE" "$DEMO_PREFIX/drive_c/tarvex/tarvex.exe"
    # The server must not keep the caller's output open (a pipe would never end).
    tvx_start_server "$DEMO_PREFIX" >/dev/null 2>&1
    local row sig path value note unix
    for row in "${DEMO_FILES[@]}"; do
        IFS='|' read -r sig path value note <<<"$row"
        unix=$(unix_path "$DEMO_PREFIX" "$path")
        mkdir -p "$(dirname "$unix")"
        "$FIXTURE_TOOL" record "$sig" "$unix" >/dev/null
        printf '   planted %-40s %s\n' "$path" "$note"
        if [ "$value" != - ]; then
            local data=$path
            [ "$value" = MsSys ] && data=mssys.exe
            [ "$value" = KyrView ] && data="\"$path\" /tray"
            tvx_reg "$DEMO_PREFIX" add "$RUN_KEY" /v "$value" /t REG_SZ /d "$data" /f
            printf '   autostart value %-24s = %s\n' "$value" "$data"
        fi
    done
    chmod a-w "$(unix_path "$DEMO_PREFIX" 'C:\Downloads\invoice.exe')"
    unix=$(unix_path "$DEMO_PREFIX" "$DEMO_RUNNING")
    mkdir -p "$(dirname "$unix")"
    # Without its debug information the lock holder is short enough to be padded into a match; with
    # no arguments it just waits, like a trojan sitting in memory.
    i686-w64-mingw32-strip -o "$DEMO_PREFIX/agent.exe" "$HOLDER_EXE"
    "$FIXTURE_TOOL" pad "$DEMO_PREFIX/agent.exe" "$unix" >/dev/null
    printf '   planted %-40s %s\n' "$DEMO_RUNNING" "a runnable infected program (started below)"
}

# demo_start_holder: starts the program that keeps the locked file open; waits until it holds it.
demo_start_holder() {
    start_lock_holder "$DEMO_PREFIX" 'C:\Temp\locked\update.exe' "$DEMO_PREFIX/holder.out" ||
        { echo "the lock holder did not start" >&2; return 1; }
}
