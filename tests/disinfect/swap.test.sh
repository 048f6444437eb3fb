#!/usr/bin/env bash
# What is removed is the file that matched. Between the match and the removal the test host's
# seam swaps the file for a clean one, or a folder of its path for a link to a folder with a clean
# namesake: the first is refused while the tool holds the file, the second is seen and the file
# left. Wine, unlike Windows, lets a folder that holds an open file be renamed, which is what lets
# the second swap happen here at all.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
source "$TVX_ROOT/tests/lib/tool_paths.sh"
tvx_own_prefix disinfect-swap later
c=$prefix/drive_c
cp "$TVX_BUILD/win/tests/disinfect/swap_host.exe" "$c/"
tvx_set_version "$prefix" swap_host.exe winxp
tvx_start_server "$prefix"
name=$(row_name 2)
plant() { mkdir -p "$(dirname "$1")" && "$FIXTURE_TOOL" record 2 "$1" >/dev/null || abort "cannot plant $1"; }
host() { (cd "$c" && WINEPREFIX="$prefix" wine 'C:\swap_host.exe' "$@" 2>/dev/null | tr -d '\r'); }
has_line() { grep -qxF -- "$2" <<<"$1"; }

echo "== the file itself replaced while the tool holds it"
plant "$c/rbait/victim.exe"
out=$(host replace 'C:\rbait\victim.exe')
has_line "$out" "SEAM rename refused" && ok "the rename was refused while the file was held" ||
    fail "the seam's rename was not refused: $out"
has_line "$out" "LINE C:\\rbait\\victim.exe     $name removed" && ok "the matched file was removed" ||
    fail "no removed line: $out"
[ ! -e "$c/rbait/victim.exe" ] && [ ! -e "$c/rbait/victim.exe.away" ] && ok "nothing left at either name" ||
    fail "a file was left: $(ls "$c/rbait")"

echo "== a folder of the path swapped for a link after the match"
plant "$c/lbait/victim.exe"
mkdir -p "$c/keep"
printf 'clean namesake' >"$c/keep/victim.exe"
rm -f "$c/swap.go" "$c/swap.done"
host link 'C:\lbait\victim.exe' >"$TVX_TMP/link.out" &
hostpid=$!
tvx_wait_for_file "$c/swap.go" 1200 || abort "the host never reached its seam"
mv "$c/lbait" "$c/lbait.moved" && ln -s "$c/keep" "$c/lbait" && touch "$c/swap.done"
wait $hostpid
out=$(tr -d '\r' <"$TVX_TMP/link.out")
has_line "$out" "SEAM folder swapped" || fail "the seam did not see the swap: $out"
expect "the clean namesake" "clean namesake" "$(cat "$c/keep/victim.exe" 2>/dev/null)"
[ -f "$c/lbait.moved/victim.exe" ] && ok "the infected file is left where the swap put it" ||
    fail "the infected file went"
grep -q "removed$" <<<"$(grep -v '^LINE System Registry' <<<"$out")" && fail "a removal was reported: $out"
report=$(tr -d '\r' <"$c/swap.log")
grep -qxF "C:\\lbait\\victim.exe     $name left: its folder C:\\lbait has become a link since the scan passed it; nothing was done to it" \
    <<<"$report" && ok "the report says why the file was left" || fail "no report line for the link: $report"
exit $status
