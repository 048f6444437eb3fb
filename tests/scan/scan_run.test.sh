#!/usr/bin/env bash
# The scan run end to end, driven through a stand-in main window (scan_host): drive order and
# drive types, the walk's order and what it shows and offers, over-long paths reached through
# short names, folder links that loop, the Program Files rule, statistics, the 150-line list rule
# and the restart question.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix scan-run
cp "$TVX_BUILD/win/tests/scan/scan_host.exe" "$prefix/drive_c/"
PY=/usr/bin/python3
CHECK="$PY $TVX_ROOT/tests/scan/check_walk.py"
trees=$TVX_TMP/scan-trees
mkdir -p "$trees"

host() {  # target [wait] > report
    tvx_wine "$prefix" 'C:\scan_host.exe' "$@" 2>/dev/null | tr -d '\r'
}
count() { grep -c -- "$1" "$2"; }

# ---- Trees --------------------------------------------------------------------------------
d=$trees/d
mkdir -p "$d/Data/Old/Deep" "$d/Data/New" "$d/Program Files/App" "$d/attr" "$d/links/inner"
echo doc >"$d/Data/report.doc"; echo a >"$d/Data/Old/old.txt"; echo b >"$d/Data/Old/Deep/deep.bin"
echo n >"$d/Data/New/new.txt"; echo r >"$d/root.txt"; echo h >"$d/hit-marker.exe"
echo p >"$d/Program Files/App/app.exe"; echo p >"$d/Program Files/readme.txt"
echo h >"$d/attr/.dotted"; for f in hidden system readonly; do echo x >"$d/attr/$f.txt"; done
echo l >"$d/links/inner/in.txt"
ln -s .. "$d/links/up"; ln -s . "$d/links/self"; ln -s "$d" "$d/links/root"; ln -s ../.. "$d/links/inner/upup"
# Paths reaching and passing 259 characters: D:\long\ (8) + 200 + \ + a name.
long=$d/long/$(printf 'L%.0s' $(seq 200))
mkdir -p "$long"
echo x >"$long/$(printf 'f%.0s' $(seq 50))"            # 259: offered by its long path
echo x >"$long/$(printf 'g%.0s' $(seq 51))"            # 260: offered through short names
mkdir -p "$long/$(printf 's%.0s' $(seq 46))"           # folder of 255, child pattern 259: entered by its long path
echo x >"$long/$(printf 's%.0s' $(seq 46))/y"          # 257: offered by its long path
mkdir -p "$long/$(printf 't%.0s' $(seq 47))"           # folder of 256, child pattern 260: entered through short names
echo x >"$long/$(printf 't%.0s' $(seq 47))/z"
mkdir -p "$long/$(printf 'u%.0s' $(seq 51))"           # folder of 260: shown and entered through short names
echo x >"$long/after.txt"                              # the walk goes on past them
e=$trees/e; mkdir -p "$e/Program Files/Tool" "$e/stuff"; echo e >"$e/stuff/e.txt"; echo t >"$e/Program Files/Tool/t.exe"
for x in b f g; do mkdir -p "$trees/$x"; echo m >"$trees/$x/never-$x.txt"; done

tvx_add_fixed_drive "$prefix" D "$d"
tvx_add_fixed_drive "$prefix" E "$e"
tvx_add_fixed_drive "$prefix" B "$trees/b"
tvx_add_drive "$prefix" F "$trees/f" cdrom
tvx_add_drive "$prefix" G "$trees/g" network
# The drive manager reads the drive types when the prefix starts.
tvx_stop_prefix "$prefix"
tvx_start_server "$prefix"
tvx_wine "$prefix" cmd /c 'attrib +h D:\attr\hidden.txt & attrib +s D:\attr\system.txt & attrib +r D:\attr\readonly.txt' >/dev/null 2>&1

# ---- Every fixed drive ------------------------------------------------------------------------
report=$TVX_TMP/scan-all.txt
host '!:' >"$report"
grep -q '^END$' "$report" || fail "host did not finish"
# Drive order: C, then D, then E; A/B and drives that are not fixed never.
order=$(grep -o '^SHOW [A-Z]:' "$report" | cut -c6 | uniq | tr -d '\n')
expect "drive order" "CDE" "$order"
expect "B, cdrom and network drives are not walked" "0" "$(grep -c 'never-' "$report")"
if out=$($CHECK "$report" D: "$d"); then ok "D: walk order, shown entries, offered files, links, long paths"; else fail "D: walk: $out"; fi
if out=$($CHECK "$report" E: "$e"); then ok "E: walk"; else fail "E: walk: $out"; fi
expect "dot entries shown" "2" "$(grep -c -e '^SHOW D:\\Data\\\.$' -e '^SHOW D:\\Data\\\.\.$' "$report")"
expect "hidden, system, read-only and dot files offered" "4" "$(grep -c '^OFFER D:\\attr\\' "$report")"
expect "Program Files walked once" "1" "$(grep -c '^OFFER D:\\Program Files\\App\\app.exe$' "$report")"
scanned=$(grep -c '^OFFER ' "$report")
expect "statistics" "$(printf 'LINE D:\\hit-marker.exe     Test.Marker found\nLINE  \nLINE Scanning statistics\nLINE ------------------------------\nLINE Total files scanned\t\t:  %d\nLINE Total files infected\t\t:  1\nLINE Total files removed\t\t:  0' "$scanned")" "$(grep '^LINE' "$report")"
expect "final status" "SHOW Scanning completed" "$(grep '^SHOW' "$report" | tail -1)"

# ---- One drive root as the target: a Program Files folder the walk does not enter (a link) is
# walked on its own once, right after the drive. No detection: no blank line before the statistics.
h=$trees/h; mkdir -p "$h/real-pf" "$h/x"; echo p >"$h/real-pf/pf.txt"; ln -s real-pf "$h/Program Files"
tvx_add_fixed_drive "$prefix" H "$h"
tvx_stop_prefix "$prefix"
tvx_start_server "$prefix"
host 'H:' >"$report"
expect "link Program Files walked on its own" "OFFER H:\\real-pf\\pf.txt
OFFER H:\\Program Files\\pf.txt" "$(grep '^OFFER' "$report")"
expect "statistics without detection" "LINE Scanning statistics" "$(grep '^LINE' "$report" | head -1)"
expect "no Program Files walk for a deeper folder" "0" "$(host 'H:\x' | grep -c 'Program Files\\pf')"

# ---- 151 detections: the 151st line empties the list, the statistics never do.
many=$prefix/drive_c/many; mkdir -p "$many"
for i in $(seq 1000 1150); do echo x >"$many/hit$i"; done
host 'C:\many' >"$report"
expect "lines sent" "157" "$(grep -c '^LINE' "$report")"
last=$(grep '^LINE C:' "$report" | tail -1 | cut -c6-)
expect "list after the run" "$(printf '%s\n \nScanning statistics' "$last")" "$(grep '^LIST' "$report" | head -3 | cut -c6-)"
expect "list length" "7" "$(grep -c '^LIST' "$report")"
expect "selection" "SELECTED 6" "$(grep '^SELECTED' "$report")"
exit $status
