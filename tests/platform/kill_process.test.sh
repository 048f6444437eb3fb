#!/usr/bin/env bash
# Ending the processes of a file under each technique: which processes go, which stay, and when
# the "Could not kill process" box appears (its caption is the file's path).
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix system-kill
tvx_ensure_display || exit 77
c=$prefix/drive_c
mkdir -p "$c/dirA" "$c/dirB" "$c/dirC" "$c/pids"
cp "$TVX_BUILD/win/tests/platform/system_probe.exe" "$c/probe.exe"
cp "$TVX_BUILD/win/tools/automation/tvxauto.exe" "$c/tvxauto.exe"
for f in dirA/mssys.exe dirB/MSSYS.EXE dirA/mssys32.exe; do
    cp "$TVX_BUILD/win/tests/helpers/sleeper.exe" "$c/$f"
done

run() { tvx_wine "$prefix" "$@" 2>/dev/null | tr -d '\r'; }

# start NAME WINPATH: starts a sleeper and waits for its pid (in $c/pids/NAME).
start() {
    rm -f "$c/pids/$1"
    tvx_wine "$prefix" "$2" 120 "C:\\pids\\$1" >/dev/null 2>&1 &
    tvx_wait_for_file "$c/pids/$1" 100 && return 0
    echo "sleeper $1 did not start"; exit 1
}
pid() { tr -d '\r\n' <"$c/pids/$1"; }
alive() { run 'C:\probe.exe' list-psapi | awk '{print $1}' | grep -qx "$(pid "$1")"; }
# expect_alive "label" names-alive... -- names-gone...
expect_alive() {
    local label=$1; shift
    local want=alive n seen=""
    for n in "$@"; do
        if [ "$n" = "--" ]; then want=gone; continue; fi
        if alive "$n"; then [ $want = alive ] || fail "$label: $n still runs"; seen="$seen $n:alive"
        else [ $want = gone ] || fail "$label: $n was ended"; seen="$seen $n:gone"; fi
    done
    ok "$label:$seen"
}
# kill_quiet LABEL PATH WANTED: KillProcessOfFile must return WANTED without any box.
kill_quiet() {
    local got
    got=$(timeout 60 env WINEPREFIX="$prefix" wine 'C:\probe.exe' kill "$2" 2>/dev/null | tr -d '\r')
    [ "$got" = "$3" ] && ok "$1: $got" || fail "$1: wanted $3, got '$got' (a box left open?)"
}
# kill_boxed LABEL PATH: the box with caption PATH must come; it is dismissed; the result must be 0.
kill_boxed() {
    local out=$TVX_TMP/kill-out.$$
    timeout 60 env WINEPREFIX="$prefix" wine 'C:\probe.exe' kill "$2" >"$out" 2>/dev/null &
    local probe=$!
    if run 'C:\tvxauto.exe' wait "$2" 20000 >/dev/null; then
        local text
        text=$(run 'C:\tvxauto.exe' text "$2" 65535)
        [ "$text" = "Could not kill process" ] || fail "$1: box text '$text'"
        run 'C:\tvxauto.exe' close "$2" >/dev/null
    else
        fail "$1: no box captioned $2"
    fi
    wait $probe
    local got
    got=$(tr -d '\r' <"$out")
    [ "$got" = "result=0" ] && ok "$1: box shown, $got" || fail "$1: wanted result=0, got '$got'"
}

# Windows 9x: toolhelp ends only the first matching process. Wine's snapshot gives bare file names,
# which are compared by file name in any folder; a path in szExeFile (as 95/98/ME give it) is
# compared whole, which the native process_list_test covers.
tvx_set_version "$prefix" probe.exe win98
start a 'C:\dirA\mssys.exe'
start b 'C:\dirB\MSSYS.EXE'
start c 'C:\dirA\mssys32.exe'
# Wine's snapshot gives bare file names (no folder), which is all this rule needs.
first=$(run 'C:\probe.exe' list-toolhelp | awk -v a="$(pid a)" -v b="$(pid b)" '$1==a{print "a";exit} $1==b{print "b";exit}')
second=$([ "$first" = a ] && echo b || echo a)
exe=$(run 'C:\probe.exe' list-toolhelp | awk -v a="$(pid a)" '$1==a{print $2}')
[ "$exe" = "mssys.exe" ] && ok "toolhelp szExeFile is the bare name: $exe" || echo "note: toolhelp szExeFile '$exe'"
kill_quiet "toolhelp other folder" 'C:\WINDOWS\SYSTEM\MSSYS.EXE' result=1
expect_alive "toolhelp first only" "$second" c -- "$first"
kill_boxed "toolhelp no match" 'C:\dirA\absent.exe'
expect_alive "toolhelp no match" "$second" c

# NT 5.x: psapi matches the whole path, ignoring case, and ends every such process; no box ever.
tvx_set_version "$prefix" probe.exe winxp
start d1 'C:\dirB\MSSYS.EXE'
start d2 'C:\dirB\MSSYS.EXE'
kill_quiet "psapi path of another length" 'C:\DIRB\.\MSSYS.EXE' result=1
expect_alive "psapi path of another length" d1 d2
# A held infected namesake in another folder never ends the clean program of that name.
cp "$TVX_BUILD/win/tests/helpers/sleeper.exe" "$c/dirC/mssys.exe"
kill_quiet "psapi namesake in another folder" 'C:\dirC\mssys.exe' result=1
expect_alive "psapi namesake in another folder" d1 d2
kill_quiet "psapi same path" 'c:\dirb\mssys.exe' result=1
expect_alive "psapi same path" c -- d1 d2
[ "$second" = b ] && expect_alive "psapi same path" -- b
kill_quiet "psapi no match" 'C:\dirA\absent.exe' result=1
expect_alive "psapi no match" c

# NT 4 and NT 6+: the performance data. Wine's counter names have no Process object, so the
# list is empty: nothing is ended, the box comes and the result is 0.
for version in nt40 win7; do
    tvx_set_version "$prefix" probe.exe $version
    kill_boxed "performance data ($version)" 'C:\dirA\mssys32.exe'
    expect_alive "performance data ($version)" c
done
exit $status
