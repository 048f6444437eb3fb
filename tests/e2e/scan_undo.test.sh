# A real quiet scan keeps what it removes, as reported by Windows XP: the infected file, its Run and
# RunServices values and the hosts file the mail detector removes come back with "/Q /UNDO", byte
# for byte, with their attributes and types; the report names the scan's ID and the command that
# undoes it; a later scan finds nothing and no file holds the removed bytes; a second undo changes
# nothing; a file too large to keep is still removed, the report says why it was not kept, and the
# undo never writes over a file that took the path since.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$FIXTURE_TOOL"

version=winxp
e2e_prefix scan-undo
tvx_set_version "$E2E_PREFIX" tarvex.exe "$version"
WINDOWS_LOG=$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex.log')
QUARANTINE=$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex\Quarantine')
RUN_KEY='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run'
RUN_SERVICES_KEY='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\RunServices'
HOSTS_WIN='C:\windows\system32\drivers\etc\hosts'
hosts=$(unix_path "$E2E_PREFIX" "$HOSTS_WIN")
seed=$(unix_path "$E2E_PREFIX" 'C:\inf\seed.exe')

wine_in() {
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine "$@")
}

reg_value() {  # KEY NAME: "TYPE DATA" as reg query shows it
    wine_in reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; sub(/^ +/, ""); print }'
}

attributes_of() {
    wine_in attrib "$1" 2>/dev/null | tr -d '\r'
}

# The last record of the report, from its last start line on.
last_record() {
    tr -d '\r' <"$WINDOWS_LOG" | awk '/^==== .*  Scan ID [0-9-]+  / { text = "" } { text = text $0 "\n" } END { printf "%s", text }'
}

# An infection, hidden and read-only, started by a Run value of an expandable type and a RunServices
# value of a plain one; a hosts file that carries the mail worm.
plant 2 'C:\inf\seed.exe' >/dev/null
cp "$seed" "$TVX_TMP/seed.original"
wine_in attrib +r +h 'C:\inf\seed.exe' >/dev/null 2>&1
wine_in reg add "$RUN_KEY" /v seed /t REG_EXPAND_SZ /d '%SystemDrive%\inf\seed.exe' /f >/dev/null 2>&1
wine_in reg add "$RUN_SERVICES_KEY" /v seedsvc /t REG_SZ /d 'C:\inf\seed.exe /run' /f >/dev/null 2>&1
run_value=$(reg_value "$RUN_KEY" seed)
services_value=$(reg_value "$RUN_SERVICES_KEY" seedsvc)
[ -n "$run_value" ] && [ -n "$services_value" ] || abort "the autostart values were not planted"
"$FIXTURE_TOOL" mail "$hosts" 3000 >/dev/null || abort "make_fixture could not write the hosts file"
cp "$hosts" "$TVX_TMP/hosts.original"
seed_attributes=$(attributes_of 'C:\inf\seed.exe')

rm -f "$WINDOWS_LOG"
quiet_run /Q
check "the scan that removes" 1 "$QUIET_EXIT"
[ ! -e "$seed" ] && [ ! -e "$hosts" ] || abort "the scan left the file or the hosts file"
check "the Run value is gone" "" "$(reg_value "$RUN_KEY" seed)"
check "the RunServices value is gone" "" "$(reg_value "$RUN_SERVICES_KEY" seedsvc)"
record=$(last_record)
id=$(sed -n 's/^==== .*  Scan ID \([0-9-]*\)  .*/\1/p' <<<"$record" | head -n1)
[ -n "$id" ] || abort "no scan ID on the start line: $record"
grep -qx "Undo: tarvex.exe /UNDO:$id puts back what this scan removed" <<<"$record" ||
    abort "the report does not name the undo: $record"
if grep -q 'not kept in the quarantine' <<<"$record"; then abort "something was not kept: $record"; fi
[ -s "$QUARANTINE/$id/registry.reg" ] || abort "no .reg file in the scan's folder"
echo "ok: the scan kept what it removed, and its record names the undo"

# The kept copies are passed over, and no file holds the removed bytes as they were.
quiet_run /Q
check "a scan after the removal" 0 "$QUIET_EXIT"
no_file_holds "$TVX_TMP/seed.original"
if grep -q '^Undo: tarvex.exe' <<<"$(last_record)"; then abort "a scan that removed nothing names an undo"; fi
[ "$(ls "$QUARANTINE")" = "$id" ] || abort "a scan that removed nothing left a folder: $(ls "$QUARANTINE")"
echo "ok: a second scan finds nothing, and keeps nothing"

quiet_run /Q /UNDO
check "exit code of /Q /UNDO" 0 "$QUIET_EXIT"
cmp -s "$TVX_TMP/seed.original" "$seed" || abort "the file did not come back byte for byte"
check "the file's attributes" "$seed_attributes" "$(attributes_of 'C:\inf\seed.exe')"
check "the Run value, type and data" "$run_value" "$(reg_value "$RUN_KEY" seed)"
check "the RunServices value, type and data" "$services_value" "$(reg_value "$RUN_SERVICES_KEY" seedsvc)"
cmp -s "$TVX_TMP/hosts.original" "$hosts" || abort "the hosts file did not come back byte for byte"
grep -qE "Undo of scan $id: put back 4, not put back 0$" <(tr -d '\r' <"$WINDOWS_LOG") ||
    abort "no undo record: $(tr -d '\r' <"$WINDOWS_LOG" | tail -n 12)"
echo "ok: /Q /UNDO put back the file, its two values and the hosts file"

cp "$WINDOWS_LOG" "$TVX_TMP/before.log"
quiet_run /Q /UNDO
check "a second /Q /UNDO" 0 "$QUIET_EXIT"
cmp -s "$TVX_TMP/seed.original" "$seed" || abort "the second undo changed the file"
check "the Run value after a second undo" "$run_value" "$(reg_value "$RUN_KEY" seed)"
echo "ok: a second undo changes nothing"

# A hosts file over 16 MiB is removed all the same, and the report says why it was not kept; a file
# that took the infected file's path since is never written over.
"$FIXTURE_TOOL" mail "$hosts" $((16 * 1024 * 1024 + 1)) >/dev/null || abort "make_fixture could not write the large hosts file"
rm -f "$WINDOWS_LOG"
quiet_run /Q
check "the scan with a large hosts file" 1 "$QUIET_EXIT"
[ ! -e "$hosts" ] || abort "the large hosts file was not removed"
record=$(last_record)
grep -qF "$HOSTS_WIN     " <<<"$record" || abort "no result line for the hosts file: $record"
grep -qE '^C:\\windows\\system32\\drivers\\etc\\hosts     .* not kept in the quarantine: larger than 16 MiB' <<<"$record" ||
    abort "the report does not say the hosts file was not kept: $record"
printf 'a newer file' >"$seed"
quiet_run /Q /UNDO
check "an undo that would write over a file" 3 "$QUIET_EXIT"
check "the newer file" "a newer file" "$(cat "$seed")"
[ ! -e "$hosts" ] || abort "a hosts file that was not kept came back"
log=$(tr -d '\r' <"$WINDOWS_LOG")
grep -q 'seed.exe.not put back: a file of that name is there, and is left as it is' <<<"$log" ||
    abort "no line for the file left as it is"
grep -q 'hosts.not put back: larger than 16 MiB' <<<"$log" || abort "no line for the hosts file not kept"
echo "ok: a file too large to keep is still removed, and the undo never writes over a file"

# A quarantine that cannot be made (a file where its folder goes) stops no removal.
rm -rf "$(dirname "$QUARANTINE")"
printf 'in the way' >"$(dirname "$QUARANTINE")"
rm -f "$seed"
plant 2 'C:\inf\seed.exe' >/dev/null
rm -f "$WINDOWS_LOG"
quiet_run /Q
check "a scan without a quarantine" 1 "$QUIET_EXIT"
[ ! -e "$seed" ] || abort "the scan without a quarantine left the file"
record=$(last_record)
grep -qE '^C:\\inf\\seed.exe     .* not kept in the quarantine: the quarantine folder could not be made$' <<<"$record" ||
    abort "no line for the file not kept: $record"
grep -qE '^System Registry value seed in Run not kept in the quarantine: the quarantine folder could not be made$' <<<"$record" ||
    abort "no line for the value not kept: $record"
if grep -q '^Undo: tarvex.exe' <<<"$record"; then abort "a scan that kept nothing names an undo"; fi
echo "ok: a quarantine that cannot be made stops no removal"
exit $status
