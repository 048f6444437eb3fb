#!/usr/bin/env bash
# The forced restart ends the session's programs and carries out a deletion registered for the next
# start; the privilege step itself answers as the restart expects.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
prefix=$TVX_TMP/system-restart
tvx_copy_prefix "$prefix"
tvx_at_exit 'tvx_stop_prefix "$prefix"'
c=$prefix/drive_c
cp "$TVX_BUILD/win/tests/system/system_probe.exe" "$c/probe.exe"
cp "$TVX_BUILD/win/tests/helpers/sleeper.exe" "$c/sleeper.exe"
tvx_set_version "$prefix" probe.exe winxp
tvx_start_server "$prefix"
run() { tvx_wine "$prefix" 'C:\probe.exe' "$@" 2>/dev/null | tr -d '\r'; }
status=0
check() {  # label wanted got
    if [ "$2" = "$3" ]; then echo "ok   $1: $3"; else echo "FAIL $1: wanted '$2', got '$3'"; status=1; fi
}

check "shutdown privilege" "opened=1 error=0" "$(run privilege SeShutdownPrivilege)"
unknown=$(run privilege SeNoSuchPrivilege)
[ "$unknown" != "opened=1 error=0" ] && echo "ok   unknown privilege: $unknown" || { echo "FAIL unknown privilege reported enabled"; status=1; }

echo pending >"$c/pending.txt"
check "deletion registered" "scheduled=1" "$(run delete-at-restart 'C:\pending.txt')"
# Another program of the session, which the forced restart must end without asking.
tvx_wine "$prefix" 'C:\sleeper.exe' 300 'C:\sleeper.pid' >/dev/null 2>&1 &
sleeper=$!
for i in $(seq 1 100); do [ -s "$c/sleeper.pid" ] && break; sleep 0.1; done
run version >/dev/null
[ -f "$c/pending.txt" ] && echo "ok   file stays until the restart" || { echo "FAIL file went before the restart"; status=1; }

timeout 60 env WINEPREFIX="$prefix" wine 'C:\probe.exe' restart >/dev/null 2>&1
for i in $(seq 1 200); do
    kill -0 $sleeper 2>/dev/null || break
    sleep 0.1
done
if kill -0 $sleeper 2>/dev/null; then echo "FAIL the restart left the sleeper running"; status=1
else echo "ok   the restart ended the other program"; fi
for i in $(seq 1 200); do [ -f "$c/pending.txt" ] || break; sleep 0.1; done
[ -f "$c/pending.txt" ] && { echo "FAIL pending file still there after the restart"; status=1; } || echo "ok   pending file deleted by the restart"
exit $status
