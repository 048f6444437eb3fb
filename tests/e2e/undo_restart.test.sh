# A removal that had to wait for the restart comes back with /UNDO after it. The file was held by
# another program during the quiet run, so it went to the tool's folder for the step after the
# restart, which removed it; its copy was kept at the scan, and "/Q /UNDO" puts it back byte for
# byte. The kept copy is never found by a scan, before or after the restart.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"
e2e_prefix undo-restart
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
c=$E2E_PREFIX/drive_c
name=$(plant 2 'C:\held\late.exe')
cp "$c/held/late.exe" "$TVX_TMP/late.original"
hold_file 'C:\held\late.exe'

quiet_run /Q
check "the quiet run's exit code" 2 "$QUIET_EXIT"
tvx_stop_prefix "$E2E_PREFIX"
WINEPREFIX="$E2E_PREFIX" wineboot -r >/dev/null 2>&1
WINEPREFIX="$E2E_PREFIX" wineserver -w
[ ! -e "$c/held/late.exe" ] && ok "the held file went after the restart" || abort "the held file survived the restart"
tr -d '\r' <"$c/windows/Tarvex.log" | grep -qF "after the restart: C:\\held\\late.exe     $name removed" ||
    abort "the report does not say the held file was removed after the restart"

quiet_run /Q
check "a scan after the restart" 0 "$QUIET_EXIT"
no_file_holds "$TVX_TMP/late.original"
ok "no file holds the removed bytes as they were"

quiet_run /Q /UNDO
check "the undo's exit code" 0 "$QUIET_EXIT"
cmp -s "$TVX_TMP/late.original" "$c/held/late.exe" && ok "the file is back byte for byte" ||
    fail "the file did not come back byte for byte"
exit $status
