#!/usr/bin/env bash
# The forced restart ends the session's programs and carries out a deletion registered for the next
# start; the privilege step itself answers as the restart expects.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix system-restart later
c=$prefix/drive_c
cp "$TVX_BUILD/win/tests/platform/system_probe.exe" "$c/probe.exe"
cp "$TVX_BUILD/win/tests/helpers/sleeper.exe" "$c/sleeper.exe"
tvx_set_version "$prefix" probe.exe winxp
tvx_start_server "$prefix"
run() { tvx_wine "$prefix" 'C:\probe.exe' "$@" 2>/dev/null | tr -d '\r'; }

expect "shutdown privilege" "opened=1 error=0" "$(run privilege SeShutdownPrivilege)"
unknown=$(run privilege SeNoSuchPrivilege)
[ "$unknown" != "opened=1 error=0" ] && ok "unknown privilege: $unknown" || fail "unknown privilege reported enabled"

echo pending >"$c/pending.txt"
expect "deletion registered" "scheduled=1" "$(run delete-at-restart 'C:\pending.txt')"
# Another program of the session, which the forced restart must end without asking.
tvx_wine "$prefix" 'C:\sleeper.exe' 300 'C:\sleeper.pid' >/dev/null 2>&1 &
sleeper=$!
tvx_wait_for_file "$c/sleeper.pid" 600 || fail "the sleeper did not start"
run version >/dev/null
[ -f "$c/pending.txt" ] && ok "file stays until the restart" || fail "file went before the restart"

timeout 60 env WINEPREFIX="$prefix" wine 'C:\probe.exe' restart >/dev/null 2>&1
tvx_poll 60 tvx_ended $sleeper && ok "the restart ended the other program" || fail "the restart left the sleeper running"
tvx_poll 60 tvx_gone "$c/pending.txt" && ok "pending file deleted by the restart" || fail "pending file still there after the restart"
exit $status
