# Sandboxed Wine prefixes for the tests and the demo. Source this file.
#
# A prefix made here lives under a temporary folder, has no z: drive (nothing outside the sandbox is
# reachable by a drive walk), and its user folders are real empty folders instead of Wine's links
# into the home directory. Every command runs with that prefix's own wineserver.

: "${TVX_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

# tvx_runs_win32: whether this machine can start Wine's 32-bit loader at all. A kernel built or
# booted without 32-bit program support refuses it ("Exec format error"), and then no program of ours
# can run here, whatever the prefix (a 64-bit prefix runs the 32-bit tool through that loader too).
tvx_runs_win32() {
    wine --version >/dev/null 2>&1
}
TVX_NO_WIN32_REASON="this machine's kernel runs no 32-bit programs, so Wine cannot start"

# tvx_no_win32: what a prefix maker does on such a machine; test_env.sh turns it into a skip.
tvx_no_win32() {
    echo "$TVX_NO_WIN32_REASON" >&2
    exit 1
}

# tvx_wait_for_file PATH TENTHS [PATTERN]: waits up to TENTHS tenths of a second until PATH has
# something in it (with PATTERN: a line that matches it); 1 when it never does.
tvx_wait_for_file() {
    local path=$1 tenths=$2 pattern=${3:-} i
    for ((i = 0; i < tenths; i++)); do
        if [ -n "$pattern" ]; then
            grep -q "$pattern" "$path" 2>/dev/null && return 0
        else
            [ -s "$path" ] && return 0
        fi
        sleep 0.1
    done
    return 1
}

# tvx_poll SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds; 1 when it never did within
# SECONDS. Tests wait for a state this way, never for a fixed time: where user-mode emulation runs the
# 32-bit side, everything of Wine's and ours is several times slower than where a test was written, so
# the bounds are generous and cost nothing when the state comes.
tvx_poll() {
    local limit=$1 end
    shift
    end=$((SECONDS + limit))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.2
    done
}
# Conditions for tvx_poll: a process has ended; a path is gone.
tvx_ended() { ! kill -0 "$1" 2>/dev/null; }
tvx_gone() { [ ! -e "$1" ]; }

# tvx_make_prefix DIR: makes a fresh sandboxed prefix in DIR (which must not exist yet).
tvx_make_prefix() {
    local dir=$1
    tvx_runs_win32 || tvx_no_win32
    mkdir -p "$dir"
    WINEPREFIX="$dir" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$dir" wineserver -w
    tvx_sandbox_prefix "$dir"
}

# tvx_make_prefix64 DIR: the same for a 64-bit Windows (WOW64 runs the 32-bit tool in it). Booted
# by the 64-bit loader, which brings up the 32-bit side as well.
tvx_make_prefix64() {
    local dir=$1
    tvx_runs_win32 || tvx_no_win32
    mkdir -p "$dir"
    WINEARCH=win64 WINEPREFIX="$dir" "$(tvx_wine64_loader)" wineboot -i >/dev/null 2>&1 || true
    WINEARCH=win64 WINEPREFIX="$dir" wineserver -w
    tvx_sandbox_prefix "$dir"
}

# tvx_wine64_loader: the 64-bit Wine loader (Debian's wine64 package puts it beside the 32-bit one).
tvx_wine64_loader() {
    if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else command -v wine64; fi
}

# tvx_arch DIR: the WINEARCH a prefix was made with; every command in it must name the same.
tvx_arch() {
    if [ -d "$1/drive_c/windows/syswow64" ]; then echo win64; else echo win32; fi
}

# tvx_sandbox_prefix DIR: cuts a prefix off the rest of the machine.
tvx_sandbox_prefix() {
    local dir=$1
    rm -f "$dir/dosdevices/z:"
    local d
    # Wine links Desktop, Documents, Music, ... to the home directory: replace them by real folders.
    find "$dir/drive_c/users" -maxdepth 3 -type l 2>/dev/null | while read -r d; do
        rm -f "$d" && mkdir -p "$d"
    done
    # No 2 s wait at every window close under Xvfb.
    tvx_reg "$dir" add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    tvx_reg "$dir" add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f
}

# tvx_reg DIR args...: wine's reg.exe in that prefix.
tvx_reg() {
    local dir=$1; shift
    WINEARCH=$(tvx_arch "$dir") WINEPREFIX="$dir" wine reg "$@" >/dev/null 2>&1
}

# tvx_set_version DIR EXE VERSION: Windows version Wine reports to EXE (win98, nt40, win2k, winxp, win7, win10).
tvx_set_version() {
    tvx_reg "$1" add "HKCU\\Software\\Wine\\AppDefaults\\$2" /v Version /t REG_SZ /d "$3" /f
}

# tvx_wine DIR args...: runs wine in that prefix.
tvx_wine() {
    local dir=$1; shift
    WINEARCH=$(tvx_arch "$dir") WINEPREFIX="$dir" wine "$@"
}

# tvx_start_server DIR: keeps that prefix's wineserver alive across many short runs. A server that a
# command before (reg.exe) left lingering for its last 3 seconds refuses `-p` and then ends, and the
# next program's new server starts a new Windows session, which carries out the deletions meant for
# the next restart; so such a server is waited out first, however slowly the commands before ran.
tvx_start_server() {
    WINEPREFIX="$1" timeout 30 wineserver -w
    WINEPREFIX="$1" wineserver -p
}

# tvx_stop_prefix DIR: ends every process of that prefix (and only of that prefix).
tvx_stop_prefix() {
    WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$1" wineserver -w >/dev/null 2>&1 || true
}

# tvx_add_fixed_drive DIR LETTER UNIXPATH: maps a folder as a fixed drive of the prefix.
tvx_add_fixed_drive() {
    local dir=$1 letter=$2 path=$3
    ln -sfn "$path" "$dir/dosdevices/${letter,,}:"
    tvx_reg "$dir" add 'HKLM\Software\Wine\Drives' /v "${letter^^}:" /t REG_SZ /d hd /f
}

# tvx_add_drive DIR LETTER UNIXPATH TYPE: the same with another type (cdrom, network, floppy).
tvx_add_drive() {
    local dir=$1 letter=$2 path=$3 type=$4
    ln -sfn "$path" "$dir/dosdevices/${letter,,}:"
    tvx_reg "$dir" add 'HKLM\Software\Wine\Drives' /v "${letter^^}:" /t REG_SZ /d "$type" /f
}

# tvx_template_prefix [64]: a cached, sandboxed prefix under build/ (wine-template, or wine-template64
# made by tvx_make_prefix64, as booting a 64-bit one takes far longer) that tvx_copy_prefix clones
# cheaply. A boot that left no Windows folder is not kept, so the next run tries again.
# Scripts running side by side take turns (a lock beside it), so one boots it and the others wait and
# copy: a boot is the dearest thing a test does, many times over where the 32-bit side is emulated.
tvx_template_prefix() {
    local bits=${1:-} tpl="${TVX_BUILD:-$TVX_ROOT/build}/wine-template${1:-}" lock
    if [ ! -f "$tpl/.ready" ]; then
        mkdir -p "$(dirname "$tpl")"
        exec {lock}>"$tpl.lock"
        flock "$lock"
        if [ ! -f "$tpl/.ready" ]; then
            rm -rf "$tpl"
            "tvx_make_prefix$bits" "$tpl"
            tvx_stop_prefix "$tpl"
            [ -d "$tpl/drive_c/windows" ] || { echo "tvx_template_prefix: Wine made no prefix in $tpl" >&2; exec {lock}>&-; return 1; }
            touch "$tpl/.ready"
        fi
        exec {lock}>&-
    fi
    echo "$tpl"
}

# tvx_copy_prefix DIR [64]: a fresh sandboxed prefix in DIR, cloned from the template (much faster
# than wineboot); with 64, a 64-bit one.
tvx_copy_prefix() {
    local dir=$1 tpl
    tvx_runs_win32 || tvx_no_win32
    tpl=$(tvx_template_prefix "${2:-}") || return 1
    mkdir -p "$(dirname "$dir")"
    cp -a "$tpl" "$dir"
    rm -f "$dir/.ready"
}

# tvx_copy_prefix64 DIR: the same for a 64-bit Windows.
tvx_copy_prefix64() {
    tvx_copy_prefix "$1" 64
}

# tvx_ensure_display: starts Xvfb when there is no usable display; sets DISPLAY (and TVX_XVFB_PID).
tvx_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    tvx_start_xvfb
}

# tvx_start_xvfb: a display of our own. Xvfb picks a free number itself (-displayfd), so two runs
# starting at once cannot take the same one. Sets DISPLAY and TVX_XVFB_PID.
tvx_start_xvfb() {
    local numfile i
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    TVX_XVFB_PID=$!
    if tvx_wait_for_file "$numfile" 50; then
        export DISPLAY=":$(head -1 "$numfile")"
        rm -f "$numfile"
        return 0
    fi
    rm -f "$numfile"
    kill "$TVX_XVFB_PID" 2>/dev/null
    echo "tvx_start_xvfb: could not start Xvfb" >&2
    return 1
}
