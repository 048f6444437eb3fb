# A removal that waits for the restart cannot be turned against another file. A quiet run leaves
# three held infected files for the restart; before it, the first one's folder is swapped for a
# link to a folder holding a clean namesake, and the second is replaced by a clean file in its own
# folder. After the restart both clean files are as they were, the untouched infected file is gone,
# nothing was handed to the restart by path, and the report says what happened to each.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"
e2e_prefix restart-link
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
c=$E2E_PREFIX/drive_c
log=$c/windows/Tarvex.log
bait=$(plant 2 'C:\bait\victim.dll')
other=$(plant 3 'C:\held\other.exe')
swapped=$(plant 4 'C:\swap\in place.dll')
mkdir -p "$c/keep"
printf 'clean namesake' >"$c/keep/victim.dll"
# Read-only: the tool must clear that to let go of its own name, and must leave it as it was.
(cd "$c" && WINEPREFIX="$E2E_PREFIX" wine attrib +r 'C:\bait\victim.dll' >/dev/null 2>&1)
hold_file 'C:\bait\victim.dll'
hold_file 'C:\held\other.exe'
hold_file 'C:\swap\in place.dll'

quiet_run /Q
check "quiet run's exit code" 2 "$QUIET_EXIT"
for line in "C:\\bait\\victim.dll     $bait Unable to remove" "C:\\held\\other.exe     $other Unable to remove" \
            "C:\\swap\\in place.dll     $swapped Unable to remove"; do
    tr -d '\r' <"$log" | grep -qxF "$line" && ok "reported: $line" || fail "not reported: $line"
done
[ -f "$c/TarvexRestart/tarvex.exe" ] && ok "the tool's copy waits in its own folder" || fail "no copy of the tool"
pending=$(reg_query 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations)
grep -qiE 'bait|held|swap' <<<"$pending" && fail "a path was handed to the restart: $pending" ||
    ok "no user's path was handed to the restart"
expect "RunOnce entry" "\"C:\\TarvexRestart\\tarvex.exe\" /FINISH" \
    "$(reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' 'Tarvex restart' | sed -n 's/.*REG_SZ *//p')"

# Every program of the session ends, the holders too; then the swap, then the restart.
tvx_stop_prefix "$E2E_PREFIX"
mv "$c/bait" "$c/bait.moved"
ln -s "$c/keep" "$c/bait"
rm "$c/swap/in place.dll"
printf 'clean in its place' >"$c/swap/in place.dll"
WINEPREFIX="$E2E_PREFIX" wineboot -r >/dev/null 2>&1
WINEPREFIX="$E2E_PREFIX" wineserver -w

expect "the clean namesake after the restart" "clean namesake" "$(cat "$c/keep/victim.dll" 2>/dev/null)"
expect "the clean file put in the infected one's place" "clean in its place" "$(cat "$c/swap/in place.dll" 2>/dev/null)"
[ -f "$c/bait.moved/victim.dll" ] && ok "the swapped-away infected file is left for the next scan" ||
    fail "the swapped-away infected file went"
# Wine keeps read-only as a file without write permission bits (and this runs as root, for whom
# test -w is always true).
[ $((0$(stat -c %a "$c/bait.moved/victim.dll") & 0222)) -eq 0 ] && ok "it is still read-only" ||
    fail "its read-only attribute was lost"
[ ! -e "$c/held/other.exe" ] && ok "the untouched infected file is gone" || fail "the untouched infected file is still there"
left=$(cd "$c/TarvexRestart" && ls -- *.mov *.txt 2>/dev/null)
[ -z "$left" ] && ok "nothing waits in the tool's folder" || fail "left in the tool's folder: $left"
report=$(tr -d '\r' <"$log")
for text in "after the restart: C:\\bait\\victim.dll     $bait left: its folder C:\\bait has become a link; only the tool's second name for the file was let go" \
            "after the restart: C:\\swap\\in place.dll     $swapped left: the path names another file now" \
            "after the restart: C:\\held\\other.exe     $other removed"; do
    grep -qF "$text" <<<"$report" && ok "report: $text" || fail "the report lacks: $text"
done
exit $status
