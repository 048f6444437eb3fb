#!/usr/bin/env bash
# The memory scan against a running infected program (our sleeper padded to a signature row):
# on the NT family it is ended, its file removed and the program ends before any drive is walked;
# disposition 103 leaves it; on 9x Wine's bare snapshot names decide what is found.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
fixture=$TVX_BUILD/native/tests/fixtures/make_fixture
[ -x "$fixture" ] || { echo "fixture tool $fixture not built"; exit 77; }
command -v i686-w64-mingw32-strip >/dev/null || { echo "no mingw strip to make the sleeper small enough to pad"; exit 77; }
tvx_own_prefix system-memory
c=$prefix/drive_c
mkdir -p "$c/infected" "$c/empty"
cp "$TVX_BUILD/win/tests/platform/system_probe.exe" "$c/probe.exe"
# The debug build of the sleeper is larger than any signature row; its stripped copy fits one.
sleeper=$TVX_TMP/system-sleeper.exe
cp "$TVX_BUILD/win/tests/helpers/sleeper.exe" "$sleeper"
i686-w64-mingw32-strip "$sleeper"

has() { grep -qxF -- "$2" <<<"$1"; }

# infect: a fresh infected program at C:\infected\mssys.exe, running; its wine job id in $job.
infect() {
    "$fixture" pad "$sleeper" "$c/infected/mssys.exe" >/dev/null || { echo "cannot pad the sleeper"; exit 1; }
    rm -f "$c/infected.pid"
    tvx_wine "$prefix" 'C:\infected\mssys.exe' 300 'C:\infected.pid' >/dev/null 2>&1 &
    job=$!
    tvx_wait_for_file "$c/infected.pid" 100 && return 0
    echo "infected program did not start"; exit 1
}
running() {
    local i
    for i in $(seq 1 30); do kill -0 $job 2>/dev/null || return 1; [ "${1:-}" = now ] && return 0; sleep 0.1; done
    return 0
}
# scan LABEL TARGET DISPOSITION: RunScan through the probe; output in $out, exit code in $rc.
scan() {
    out=$(set -o pipefail; timeout 120 env WINEPREFIX="$prefix" wine 'C:\probe.exe' runscan "$2" "$3" 2>/dev/null | tr -d '\r')
    rc=$?
    echo "--- $1"; echo "$out"
}

for version in nt40 winxp win7; do
    tvx_set_version "$prefix" probe.exe $version
    infect
    scan "$version find" '!:' 100
    [ $rc -eq 0 ] || fail "$version: exit code $rc"
    has "$out" "line: System Memory    W32/KYR.Trojan removed" || fail "$version: no System Memory line"
    has "$out" 'line: C:\infected\mssys.exe     W32/KYR.Trojan removed' || fail "$version: no removed line"
    grep -q "Scanning statistics\|^returned" <<<"$out" && fail "$version: the scan went on to the drives"
    running && fail "$version: infected program still runs"
    [ -e "$c/infected/mssys.exe" ] && fail "$version: infected file still there"
    ok "$version: found in memory, ended, removed, program ended with 0 before the drives"
    rm -f "$c/infected/mssys.exe"
    tvx_stop_prefix "$prefix"; tvx_start_server "$prefix"
done

# Disposition 103: reported by the detector, but nothing is ended or removed and the scan goes on.
tvx_set_version "$prefix" probe.exe winxp
infect
scan "leave and report" 'C:\empty' 103
has "$out" "returned memoryMode=0" || fail "103: the scan did not come back"
grep -q "System Memory" <<<"$out" && fail "103: memory removal line"
running now || fail "103: the infected program was ended"
[ -e "$c/infected/mssys.exe" ] || fail "103: the file was removed"
ok "disposition 103 leaves the process and the file"
tvx_stop_prefix "$prefix"; tvx_start_server "$prefix"

# 9x: Wine's snapshot names only the file (mssys.exe), so the existence test looks in the current
# folder. From another folder nothing is walked and the program keeps running ...
tvx_set_version "$prefix" probe.exe win98
infect
scan "9x, other folder" 'C:\empty' 100
has "$out" "returned memoryMode=0" || fail "9x: the scan must go on to the drives"
grep -q "System Memory" <<<"$out" && fail "9x other folder: found by a bare name that names no file here"
running now || fail "9x other folder: the program was ended"
ok "9x from another folder: bare snapshot name not found, nothing ended"
# ... while from the program's own folder the bare name is found, ended and removed, and the
# scan goes on to the drives (the 9x scan never ends the program).
out=$(cd "$c/infected" && timeout 120 env WINEPREFIX="$prefix" wine 'C:\probe.exe' runscan 'C:\empty' 100 2>/dev/null | tr -d '\r')
echo "--- 9x, own folder"; echo "$out"
has "$out" "line: System Memory    W32/KYR.Trojan removed" || fail "9x own folder: no System Memory line"
has "$out" "line: mssys.exe     W32/KYR.Trojan removed" || fail "9x own folder: no removed line"
has "$out" "returned memoryMode=0" || fail "9x own folder: the scan must go on"
running && fail "9x own folder: the program still runs"
[ -e "$c/infected/mssys.exe" ] && fail "9x own folder: file still there"
ok "9x from the program's folder: found by its bare name, ended, removed, scan went on"
exit $status
