#!/usr/bin/env bash
# Cancelling a scan run the way the user does: Escape on the window during the walk, answered in
# the message dialog by its buttons; and the restart question at the end of a run.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix scan-cancel later
source "$TVX_ROOT/tests/lib/tool_paths.sh"
AUTO_PREFIX=$prefix
[ -f "$AUTO_EXE" ] || { echo "automation client not built"; exit 77; }
cp "$TVX_BUILD/win/tests/scan/scan_host.exe" "$prefix/drive_c/"
trees=$TVX_TMP/scan-cancel-trees
d=$trees/d; e=$trees/e
mkdir -p "$d/slow" "$e/more"
for i in $(seq 100 249); do echo s >"$d/slow/slow$i"; done
echo x >"$d/zz-last.txt"; echo x >"$e/more/e.txt"
tvx_add_fixed_drive "$prefix" D "$d"
tvx_add_fixed_drive "$prefix" E "$e"
tvx_start_server "$prefix"

MAIN=$MAIN_SEL
DIALOG="$TITLE@$IDC_MSG_NO"   # the question's window: it has the No button

# start_scan TARGET REPORT: starts the host waiting for its Scan button, presses it.
start_scan() {
    tvx_wine "$prefix" 'C:\scan_host.exe' "$1" wait 2>/dev/null | tr -d '\r' >"$2" &
    host_pid=$!
    auto wait "$MAIN" 60000 >/dev/null || fail "host window did not appear"
    auto click "$MAIN" "$IDC_SCAN" >/dev/null
}
# wait_for_text PREFIX: until the current-file line starts with PREFIX.
wait_for_text() {
    shows() { [[ "$(auto text "$MAIN" "$IDC_CURRENT_FILE")" == "$1"* ]]; }
    tvx_poll 60 shows "$1" || fail "current-file line never showed $1"
}
# The host's walk waits at its first slow file while the gate is closed: the Escape then surely comes
# while it walks D:\slow.
gate=$prefix/drive_c/gate.closed
# escape_and_answer BUTTON: Escape on the window, then the dialog's button 6 (Yes) or 7 (No); then
# the walk may go on.
escape_and_answer() {
    auto key "$MAIN" "$VK_ESCAPE" >/dev/null
    auto wait "$DIALOG" 60000 >/dev/null || { fail "no question after Escape"; rm -f "$gate"; return; }
    expect "question after Escape" "Terminate the Scan now?" "$(auto text "$DIALOG" "$IDC_MSG_TEXT")"
    auto click "$DIALOG" "$1" >/dev/null
    auto gone "$DIALOG" 60000 >/dev/null || fail "question did not close"
    rm -f "$gate"
}
scanned() { grep -a '^LINE Total files scanned' "$1" | grep -o '[0-9]*$'; }

# Escape, No: the run goes on as if nothing happened.
report=$TVX_TMP/cancel-no.txt
touch "$gate"
start_scan 'D:' "$report"
wait_for_text 'D:\slow\slow'
escape_and_answer 7
wait "$host_pid"
expect "No: final status" "SHOW Scanning completed" "$(grep '^SHOW' "$report" | tail -1)"
expect "No: every file scanned" "151" "$(scanned "$report")"
expect "No: no trace in the result lines" "5" "$(grep -c '^LINE' "$report")"

# Escape, Yes during D: the run ends; drive E: is left at its first check; statistics still come.
report=$TVX_TMP/cancel-yes.txt
touch "$gate"
start_scan '!:' "$report"
wait_for_text 'D:\slow\slow'
escape_and_answer 6
wait "$host_pid"
expect "Yes: final status" "SHOW Scanning terminated" "$(grep '^SHOW' "$report" | tail -1)"
expect "Yes: later drive not walked" "0" "$(grep -c '^SHOW E:' "$report")"
offered=$(grep -c '^OFFER D:\\slow\\' "$report")
if [ "$offered" -lt 150 ]; then echo "ok   Yes: walk of D: ended early ($offered of 150)"; else fail "Yes: walk of D: not ended"; fi
expect "Yes: statistics count what was offered" "$(grep -c '^OFFER' "$report")" "$(scanned "$report")"
expect "Yes: statistics written" "Scanning statistics" "$(grep '^LINE' "$report" | head -1 | cut -c6-)"

# A deferred removal: after the final status the restart question comes; No leaves the run to end.
report=$TVX_TMP/restart-no.txt
mkdir -p "$prefix/drive_c/lockdir"; echo x >"$prefix/drive_c/lockdir/locked.bin"
start_scan 'C:\lockdir' "$report"
auto wait "$DIALOG" 60000 >/dev/null || fail "no restart question"
expect "status shown before the question" "Scanning completed" "$(auto text "$MAIN" "$IDC_CURRENT_FILE")"
expect "restart question" "$(printf 'The system has to be restarted to remove the virus completely from your system. \n\n Restart now?')" "$(auto text "$DIALOG" "$IDC_MSG_TEXT")"
expect "restart question caption" "$TITLE" "$(auto text "$DIALOG")"
auto click "$DIALOG" "$IDC_MSG_NO" >/dev/null
wait "$host_pid"
expect "No to restart: run ends normally" "END" "$(tail -1 "$report")"
exit $status
