#!/usr/bin/env bash
# Names the Win32 path rules trim: infected files whose names end in a dot or a space are reached
# through their short names, reported by the names as listed and removed, and the clean namesake
# without the ending (twin.exe beside twin.exe.) is never touched. A folder ending in a dot is
# entered the same way.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
source "$TVX_ROOT/tests/lib/tool_paths.sh"
tvx_own_prefix walk-trimmed
cp "$TVX_BUILD/win/tests/scan/scan_host.exe" "$prefix/drive_c/"

t=$TVX_TMP/walk-trimmed-tree
rm -rf "$t"
mkdir -p "$t/dir."
"$FIXTURE_TOOL" record 1 "$t/lone.exe." >/dev/null || fail "fixture lone"
"$FIXTURE_TOOL" record 2 "$t/twin.exe." >/dev/null || fail "fixture twin"
"$FIXTURE_TOOL" record 3 "$t/sp.exe " >/dev/null || fail "fixture sp"
"$FIXTURE_TOOL" record 4 "$t/dots..." >/dev/null || fail "fixture dots"
"$FIXTURE_TOOL" record 5 "$t/dir./in.exe" >/dev/null || fail "fixture in folder"
printf 'clean twin\r\n' >"$t/twin.exe"
tvx_add_fixed_drive "$prefix" D "$t"
tvx_stop_prefix "$prefix"
tvx_start_server "$prefix"

report=$TVX_TMP/walk-trimmed.txt
timeout 300 env WINEPREFIX="$prefix" wine 'C:\scan_host.exe' 'D:' real 2>/dev/null | tr -d '\r' >"$report"
grep -q '^END$' "$report" || fail "the scan did not end"
for row in "1|lone.exe." "2|twin.exe." "3|sp.exe " "4|dots..."; do
    IFS='|' read -r n listed <<<"$row"
    expect "$listed reported as listed and removed" "1" \
        "$(grep -cxF "LINE D:\\$listed     $(row_name "$n") removed" "$report")"
done
expect "file in a folder ending in a dot removed" "1" \
    "$(grep -c "^LINE D:\\\\.*\\\\in.exe     $(row_name 5) removed\$" "$report")"
expect "only the clean twin is left" "twin.exe" "$(find "$t" -type f -printf '%P\n')"
expect "the clean twin is unchanged" "$(printf 'clean twin\r\n')" "$(cat "$t/twin.exe")"
expect "statistics" "$(printf 'LINE Total files infected\t\t:  5\nLINE Total files removed\t\t:  5')" \
    "$(grep -e '^LINE Total files infected' -e '^LINE Total files removed' "$report")"
expect "nothing passed over" "SKIPPED trimmed 0" "$(grep '^SKIPPED trimmed' "$report")"

# Folders whose names end in a space or a dot, one inside the other: what lies below them is shown
# and reported under the folders' listed names too, though it is reached by their short names.
u=$TVX_TMP/walk-trimmed-folders
rm -rf "$u"
mkdir -p "$u/sp dir /in dot./"
"$FIXTURE_TOOL" record 6 "$u/sp dir /in.exe" >/dev/null || fail "fixture in a folder ending in a space"
"$FIXTURE_TOOL" record 7 "$u/sp dir /in dot./deep.exe" >/dev/null || fail "fixture two trimmed folders down"
tvx_add_fixed_drive "$prefix" E "$u"
report=$TVX_TMP/walk-trimmed-folders.txt
timeout 300 env WINEPREFIX="$prefix" wine 'C:\scan_host.exe' 'E:' real 2>/dev/null | tr -d '\r' >"$report"
grep -q '^END$' "$report" || fail "the scan of the folders did not end"
for row in '6|sp dir \in.exe' '7|sp dir \in dot.\deep.exe'; do
    IFS='|' read -r n listed <<<"$row"
    expect "E:\\$listed reported as listed and removed" "1" \
        "$(grep -cxF "LINE E:\\$listed     $(row_name "$n") removed" "$report")"
done
expect "nothing left below the folders" "" "$(find "$u" -type f)"
exit $status
