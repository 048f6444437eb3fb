# A removal that waits for the restart cannot be turned against another file. A quiet run leaves
# two held infected files for the restart; before it, the first one's folder is swapped for a link
# to a folder holding a clean namesake. After the restart the clean file is where it was, the
# untouched infected file is gone, and the report says what happened to each.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"
e2e_prefix restart-link
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
c=$E2E_PREFIX/drive_c
log=$c/windows/Tarvex.log
bait=$(plant 2 'C:\bait\victim.dll')
other=$(plant 3 'C:\held\other.exe')
mkdir -p "$c/keep"
printf 'clean namesake' >"$c/keep/victim.dll"
hold_file 'C:\bait\victim.dll'
hold_file 'C:\held\other.exe'

quiet_run /Q
check "quiet run's exit code" 2 "$QUIET_EXIT"
for line in "C:\\bait\\victim.dll     $bait Unable to remove" "C:\\held\\other.exe     $other Unable to remove"; do
    tr -d '\r' <"$log" | grep -qxF "$line" && ok "reported: $line" || fail "not reported: $line"
done
[ -f "$c/TarvexRestart/tarvex.exe" ] && ok "the tool's copy waits in its own folder" || fail "no copy of the tool"
expect "RunOnce entry" "\"C:\\TarvexRestart\\tarvex.exe\" /FINISH" \
    "$(reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' 'Tarvex restart' | sed -n 's/.*REG_SZ *//p')"

# Every program of the session ends, the holders too; then the swap, then the restart.
tvx_stop_prefix "$E2E_PREFIX"
mv "$c/bait" "$c/bait.moved"
ln -s "$c/keep" "$c/bait"
WINEPREFIX="$E2E_PREFIX" wineboot -r >/dev/null 2>&1
WINEPREFIX="$E2E_PREFIX" wineserver -w

expect "the clean namesake after the restart" "clean namesake" "$(cat "$c/keep/victim.dll" 2>/dev/null)"
[ -f "$c/bait.moved/victim.dll" ] && ok "the swapped-away infected file is left for the next scan" ||
    fail "the swapped-away infected file went"
[ ! -e "$c/held/other.exe" ] && ok "the untouched infected file is gone" || fail "the untouched infected file is still there"
left=$(cd "$c/TarvexRestart" && ls -- *.mov *.txt 2>/dev/null)
[ -z "$left" ] && ok "nothing waits in the tool's folder" || fail "left in the tool's folder: $left"
report=$(tr -d '\r' <"$log")
for text in "after the restart: C:\\bait\\victim.dll was moved at the restart but matches no record now: put back, not deleted" \
            "after the restart: C:\\held\\other.exe     $other removed"; do
    grep -qF "$text" <<<"$report" && ok "report: $text" || fail "the report lacks: $text"
done
exit $status
