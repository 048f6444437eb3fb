#!/usr/bin/env bash
# A scan on a 64-bit Windows (a 64-bit prefix, the tool running under WOW64): infected files in the
# real System32, in SysWOW64 and elsewhere, and the Run values that start them in both registry
# views, are all removed; clean namesakes in the other system folder and the values naming them
# stay; every file is examined once, under the name a 64-bit program gives it; the report's start
# line says 64-bit; "/Q /UNDO" puts each file back in its own folder and each value in its own view;
# a running infected program started from the real System32 is ended and removed.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
source "$TVX_ROOT/tests/lib/tool_paths.sh"
fixture=$FIXTURE_TOOL
[ -x "$fixture" ] || skip "fixture tool $fixture not built"
[ -n "$(tvx_wine64_loader)" ] || skip "no 64-bit Wine loader (Debian package wine64)"
tvx_own_prefix scan-wow64 later win64
check "the 64-bit prefix's kind (a win64 one has SysWOW64)" win64 "$(tvx_arch "$prefix")"
tvx_start_server "$prefix"
c=$prefix/drive_c
sys64=$c/windows/system32
sys32=$c/windows/syswow64
cp "$TVX_BUILD/win/tests/scan/scan_host.exe" "$TVX_BUILD/win/tests/platform/system_probe.exe" "$c/"
mkdir -p "$c/plain" "$c/empty"

# The 64-bit reg.exe, which reaches either view with /reg:32 and /reg:64.
reg64() {
    WINEARCH=win64 WINEPREFIX="$prefix" "$(tvx_wine64_loader)" reg "$@" >/dev/null 2>&1
}
reg_add() {  # VIEW NAME DATA
    reg64 add "$RUN_KEY" /v "$2" /t REG_SZ /d "$3" /f "/reg:$1" || abort "cannot write Run value $2"
}
reg_has() {  # VIEW NAME
    reg64 query "$RUN_KEY" /v "$2" "/reg:$1"
}

# ---- Files and values --------------------------------------------------------------------------
"$fixture" record 1 "$sys64/x.exe" >/dev/null || abort "cannot plant x.exe"
"$fixture" record 2 "$sys32/y.exe" >/dev/null || abort "cannot plant y.exe"
"$fixture" record 3 "$c/plain/z.exe" >/dev/null || abort "cannot plant z.exe"
for f in "$sys64/x.exe" "$sys32/y.exe" "$c/plain/z.exe"; do cp "$f" "$TVX_TMP/$(basename "$f").original"; done
# The clean namesakes, each in the other system folder.
echo clean >"$sys32/x.exe"
echo clean >"$sys64/y.exe"
reg_add 64 x 'C:\Windows\System32\x.exe'
reg_add 64 z '"C:\plain\z.exe" /run'
reg_add 32 y 'C:\Windows\SysWOW64\y.exe'
# What a 32-bit program reading the 32-bit view resolves to the same infected files.
reg_add 32 y_as_system32 'C:\Windows\System32\y.exe'
reg_add 32 x_as_sysnative 'C:\Windows\Sysnative\x.exe'
# These name the clean namesakes.
reg_add 32 keep_x 'C:\Windows\System32\x.exe'
reg_add 64 keep_y 'C:\Windows\System32\y.exe'
[ -e "$c/windows/Tarvex.log" ] && abort "a report is there before the scan"

report=$TVX_TMP/wow64-scan.txt
timeout 600 env WINEARCH=win64 WINEPREFIX="$prefix" wine 'C:\scan_host.exe' '!:' real 2>/dev/null | tr -d '\r' >"$report"
grep -q '^END$' "$report" || abort "the scan did not finish: $(tail -5 "$report")"

removed() { grep -ciE "^LINE $1     W32/KYR\.[^ ]+ removed$" "$report"; }
expect "real System32 file removed, named as a 64-bit program names it" 1 "$(removed 'C:\\windows\\system32\\x\.exe')"
expect "SysWOW64 file removed under its own name" 1 "$(removed 'C:\\windows\\syswow64\\y\.exe')"
expect "other file removed" 1 "$(removed 'C:\\plain\\z\.exe')"
for f in "$sys64/x.exe" "$sys32/y.exe" "$c/plain/z.exe"; do
    [ -e "$f" ] && fail "infected file still on the disk: ${f#$c/}"
done
expect "clean namesakes stay" "clean clean" "$(cat "$sys32/x.exe" "$sys64/y.exe" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
expect "one line per deleted Run value" 5 "$(grep -c '^LINE System Registry     W32/KYR.Trojan removed$' "$report")"
for v in "64 x" "64 z" "32 y" "32 y_as_system32" "32 x_as_sysnative"; do
    reg_has $v && fail "Run value $v (view bits) still there"
done
for v in "32 keep_x" "64 keep_y"; do
    reg_has $v || fail "Run value $v (view bits), naming a clean namesake, was deleted"
done

# Each file once: the count equals the files on the disk (with the report, and the three removed).
# The quarantine's files are the tool's own, kept during the scan; the walk does not count them.
on_disk=$(find "$c" -xtype f -not -path "$c/windows/Tarvex/Quarantine/*" | wc -l)
expect "Total files scanned equals the files on the disk" "LINE Total files scanned		:  $((on_disk + 3))" \
    "$(grep '^LINE Total files scanned' "$report")"
expect "no file offered twice" "" "$(grep '^OFFER ' "$report" | tr 'A-Z' 'a-z' | sort | uniq -d | head -3)"
expect "no path shown through the alias" 0 "$(grep -ci 'sysnative' "$report")"
expect "real System32 walked under its own name (x.exe now removed)" "$(($(find "$sys64" -xtype f | wc -l) + 1))" \
    "$(grep -ciE '^OFFER C:\\windows\\system32\\' "$report")"
start=$(head -n 1 "$c/windows/Tarvex.log" | tr -d '\r')
[[ $start == "==== "*"  64-bit Windows, both views scanned" ]] || fail "report start line: $start"
ok "report start line: $start"

# ---- The undo: each file in its own folder, each value in its own view ---------------------------
cp "$TOOL_EXE" "$c/tarvex.exe"
(cd "$c" && WINEARCH=win64 WINEPREFIX="$prefix" timeout 300 wine 'C:\tarvex.exe' /Q /UNDO >/dev/null 2>&1)
expect "undo: exit code" 0 "$?"
for f in "$sys64/x.exe" "$sys32/y.exe" "$c/plain/z.exe"; do
    cmp -s "$TVX_TMP/$(basename "$f").original" "$f" || fail "undo: ${f#$c/} did not come back"
done
expect "undo: the clean namesakes are as they were" "clean clean" \
    "$(cat "$sys32/x.exe" "$sys64/y.exe" 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
for v in "64 x" "64 z" "32 y" "32 y_as_system32" "32 x_as_sysnative"; do
    reg_has $v || fail "undo: Run value $v (view bits) did not come back"
done
for v in "32 x" "32 z" "64 y" "64 y_as_system32" "64 x_as_sysnative"; do
    reg_has $v && fail "undo: Run value $v came back in the other view"
done
ok "undo: files and values back in their folders and views"

# ---- A running infected program started from the real System32 ---------------------------------
sleeper=$TVX_TMP/wow64-sleeper.exe
cp "$TVX_BUILD/win/tests/helpers/sleeper.exe" "$sleeper"
i686-w64-mingw32-strip "$sleeper"
"$fixture" pad "$sleeper" "$sys64/r.exe" >/dev/null || abort "cannot pad the sleeper"
echo clean >"$sys32/r.exe"
rm -f "$c/r.pid"
# Started as Explorer would start it, by a 64-bit program, for which System32 is the real one.
(cd "$c" && exec env WINEARCH=win64 WINEPREFIX="$prefix" "$(tvx_wine64_loader)" 'C:\windows\system32\r.exe' 300 \
    'C:\r.pid') >/dev/null 2>&1 &
job=$!
tvx_wait_for_file "$c/r.pid" 100 || abort "Wine did not start a 32-bit program from the real System32"
out=$(timeout 120 env WINEARCH=win64 WINEPREFIX="$prefix" wine 'C:\system_probe.exe' runscan 'C:\empty' 100 2>/dev/null |
      tr -d '\r')
echo "--- running program"; echo "$out"
grep -qxF 'line: System Memory    W32/KYR.Trojan removed' <<<"$out" || fail "running: no System Memory line"
grep -qiE '^line: C:\\windows\\system32\\r\.exe     W32/KYR\.[^ ]+ removed$' <<<"$out" ||
    fail "running: no removed line for the real System32 file"
tvx_poll 60 tvx_ended $job || fail "running: the infected program still runs"
[ -e "$sys64/r.exe" ] && fail "running: the infected file is still there"
expect "running: the SysWOW64 namesake stays" clean "$(cat "$sys32/r.exe" 2>/dev/null)"
exit $status
