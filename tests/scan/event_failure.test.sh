#!/usr/bin/env bash
# A Windows Event Log that takes no event (every ReportEventA fails, as a full log makes it) changes
# nothing in the scan: through the stand-in main window with the product's detectors, the lines,
# the list and the report are those of a run whose log takes everything, but for one report line
# that says so, once, however many events were tried.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
source "$TVX_ROOT/tests/lib/tool_paths.sh"
[ -x "$FIXTURE_TOOL" ] || skip "not built: make_fixture"
tvx_own_prefix event-failure
c=$prefix/drive_c
cp "$TVX_BUILD/win/tests/scan/scan_host.exe" "$c/"
tvx_set_version "$prefix" scan_host.exe winxp

# run NAME events|events-fail: plants two infected files, scans C:\target; NAME.out gets what the host
# saw, NAME.log the record without its start and end lines and the line naming its undo (their
# times and scan IDs differ).
run() {
    local name=$1; shift
    mkdir -p "$c/target/sub"
    "$FIXTURE_TOOL" record 1 "$c/target/a.exe" >/dev/null && "$FIXTURE_TOOL" record 1 "$c/target/sub/b.exe" >/dev/null ||
        abort "make_fixture failed"
    rm -f "$c/windows/Tarvex.log"
    tvx_wine "$prefix" 'C:\scan_host.exe' 'C:\target' real "$@" 2>/dev/null | tr -d '\r' >"$TVX_TMP/$name.out"
    grep -q '^END$' "$TVX_TMP/$name.out" || abort "$name: the host did not finish"
    tr -d '\r' <"$c/windows/Tarvex.log" | grep -v -e '^==== ' -e '^Undo: tarvex.exe /UNDO:' >"$TVX_TMP/$name.log"
}

run taken events
run refused events-fail
expect "events tried: start, two files, end" "EVENTCALLS 4" "$(grep '^EVENTCALLS ' "$TVX_TMP/refused.out")"
expect "events taken" "EVENTCALLS 4" "$(grep '^EVENTCALLS ' "$TVX_TMP/taken.out")"
# What the host saw but the running programs the memory scan showed, in the system's order of the day.
seen() {
    awk '/^EVENTCALLS / { next } /^SHOW / && !/^SHOW C:\\target/ && !/^SHOW Scanning/ { next } { print }' "$1"
}
if diff -u <(seen "$TVX_TMP/taken.out") <(seen "$TVX_TMP/refused.out"); then
    ok "the window's lines, list and statistics are the same"
else
    fail "the host saw another scan"
fi
expect "both files removed" "2" "$(grep -c '^LINE C:\\target\\.*removed$' "$TVX_TMP/refused.out")"
line='The events of this scan could not all be written to the Windows Event Log (error 1502); the scan goes on without them.'
expect "the report's line about the log, once" "1" "$(grep -cxF "$line" "$TVX_TMP/refused.log")"
if grep -vxF "$line" "$TVX_TMP/refused.log" | diff -u "$TVX_TMP/taken.log" -; then
    ok "the report is otherwise the same"
else
    fail "the report differs"
fi
exit $status
