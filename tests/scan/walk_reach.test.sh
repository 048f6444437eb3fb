#!/usr/bin/env bash
# What the walk reaches and what it passes over, with the product's own detectors: an infected file
# whose name the code page cannot spell and one below a path of over 300 characters are both found
# through short names, removed, and their Run / RunServices values (written with the long names)
# deleted; folder links that loop or lead out of the tree are not entered, a FIFO and a dangling link
# do not stop the scan, and the skip counts say what was passed over. Wine gives the C.UTF-8 locale
# code page 1252, which cannot spell the kana.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
source "$TVX_ROOT/tests/lib/tool_paths.sh"
tvx_own_prefix walk-reach
cp "$TVX_BUILD/win/tests/scan/scan_host.exe" "$prefix/drive_c/"

repeat() { printf "$1%.0s" $(seq "$2"); }

# ---- The tree, mapped as drive D ------------------------------------------------------------
trees=$TVX_TMP/walk-reach-trees
rm -rf "$trees"
t=$trees/t
mkdir -p "$t/kana" "$t/loop/inner" "$trees/outside"
kana=$(printf '\xe3\x82\xab\xe3\x83\x8a\xe3\x82\xab\xe3\x83\x8a\xe3\x82\xab')  # five katakana
"$FIXTURE_TOOL" record 1 "$t/kana/$kana.exe" >/dev/null || fail "fixture 1"
deep_rel=deep/$(repeat a 120)/$(repeat b 120)/$(repeat c 50)
mkdir -p "$t/$deep_rel"
"$FIXTURE_TOOL" record 2 "$t/$deep_rel/KyrTool.exe" >/dev/null || fail "fixture 2"
deep_win='D:\'${deep_rel//\//\\}'\KyrTool.exe'
[ ${#deep_win} -gt 300 ] || fail "deep path is only ${#deep_win} characters"
echo l >"$t/loop/inner/in.txt"
ln -s .. "$t/loop/up"; ln -s . "$t/loop/self"
echo m >"$trees/outside/outside-marker.txt"; ln -s "$trees/outside" "$t/out"
mkfifo "$t/fifo"
ln -s nowhere "$t/dangling"
# 8.3 names have no shorter spelling: the folder at level 28 does not fit in either.
chain=$t/toodeep; for i in $(seq 30); do chain=$chain/dddddddd; done; mkdir -p "$chain"
tvx_add_fixed_drive "$prefix" D "$t"
tvx_stop_prefix "$prefix"
tvx_start_server "$prefix"

# Run values written with the long names, in UTF-16 so that the kana survive.
reg=$prefix/drive_c/walk-reach.reg  # no drive reaches outside the prefix
python3 - "$reg" "D:\\kana\\$kana.exe" "$deep_win" <<'EOF'
import sys
out, kana_path, deep_path = sys.argv[1:]
esc = lambda s: s.replace("\\", "\\\\").replace('"', '\\"')
text = ("Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
        '"KanaTool"="%s"\r\n"Keep"="C:\\\\windows\\\\notepad.exe"\r\n\r\n'
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices]\r\n"
        '"DeepTool"="%s"\r\n') % (esc(kana_path), esc('"' + deep_path + '" -s'))
open(out, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
EOF
tvx_wine "$prefix" reg import 'C:\walk-reach.reg' >/dev/null 2>&1
# Value names of one autostart key, but Wine's own winemenubuilder.
values() {
    tvx_wine "$prefix" reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\$1" 2>/dev/null | tr -d '\r' |
        awk 'NF >= 3 && $1 != "winemenubuilder" { print $1 }' | sort | tr '\n' ' '
}
expect "Run values planted" "KanaTool Keep " "$(values Run)"
expect "RunServices value planted" "DeepTool " "$(values RunServices)"

# ---- The scan -------------------------------------------------------------------------------
report=$TVX_TMP/walk-reach.txt
timeout 300 env WINEPREFIX="$prefix" wine 'C:\scan_host.exe' 'D:' real 2>/dev/null | tr -d '\r' >"$report"
grep -q '^END$' "$report" || fail "the scan did not end"
name1=$(row_name 1); name2=$(row_name 2)
kana_line=$(grep -c "^LINE D:\\\\kana\\\\[^\\\\]*~[^\\\\]*     $name1 removed\$" "$report")
expect "file named in kana found through its short name and removed" "1" "$kana_line"
deep_line=$(grep "     $name2 removed\$" "$report" | grep -c '^LINE D:\\deep\\.*~.*\\KyrTool.exe')
expect "file below the long path found through short names and removed" "1" "$deep_line"
expect "both files gone from the disk" "0" "$(find "$t/kana" "$t/deep" -type f | wc -l)"
expect "two Run / RunServices values removed" "2" "$(grep -c '^LINE System Registry     W32/KYR.Trojan removed$' "$report")"
expect "Run values after the scan" "Keep " "$(values Run)"
expect "RunServices values after the scan" "" "$(values RunServices)"
expect "no text shows a '?' spelling" "0" "$(grep -c '^\(SHOW\|OFFER\|LINE\) .*?' "$report")"
expect "nothing outside the tree walked" "0" "$(grep -c 'outside-marker' "$report")"
expect "links shown, not entered" "0" "$(grep -c -e 'loop\\up\\' -e 'loop\\self\\' -e '\\out\\' "$report")"
expect "the FIFO is offered like any file" "1" "$(grep -c '^OFFER D:\\fifo$' "$report")"
expect "statistics" "$(printf 'LINE Total files scanned\t\t:  %d\nLINE Total files infected\t\t:  2\nLINE Total files removed\t\t:  2' "$(grep -c '^OFFER ' "$report")")" \
    "$(grep '^LINE Total' "$report")"
expect "skip counts" "SKIPPED toolong 1
SKIPPED unnameable 0
SKIPPED link 3
SKIPPED unlistable 0
SKIPPED offline 0
SKIPPED toodeep 0
SKIPPED trimmed 0" "$(grep '^SKIPPED' "$report")"
exit $status
