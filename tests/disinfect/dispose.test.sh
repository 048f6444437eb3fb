#!/usr/bin/env bash
# File disposal reported as Windows XP and as Windows 98, each in a prefix of its own: the held
# file's deletion is registered, then the prefix is restarted and the file must be gone.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
status=0
prefixes=()
tvx_at_exit 'for p in "${prefixes[@]}"; do tvx_stop_prefix "$p"; done'

run_family() {  # version
    local version=$1 prefix=$TVX_TMP/disinfect-dispose-$1
    prefixes+=("$prefix")
    tvx_copy_prefix "$prefix"
    tvx_start_server "$prefix"
    mkdir -p "$prefix/drive_c/tvxtest"
    cp "$TVX_BUILD/win/tests/disinfect/dispose_wine_test.exe" "$prefix/drive_c/tvxtest/dispose_$version.exe"
    cp "$TVX_BUILD/win/tests/helpers/lock_holder.exe" "$prefix/drive_c/tvxtest/"
    tvx_set_version "$prefix" "dispose_$version.exe" "$version"
    echo "== reported as $version"
    tvx_wine "$prefix" "C:\\tvxtest\\dispose_$version.exe" || status=1

    local held="$prefix/drive_c/tvx locked folder/held file.exe"
    [ -f "$held" ] || fail "$version: held file missing before the restart"
    tvx_stop_prefix "$prefix"
    WINEPREFIX="$prefix" wineboot -r >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    if [ -e "$held" ]; then
        echo "FAIL $version: held file still there after the restart"
        status=1
    else
        ok "$version: held file gone after the restart"
    fi
}

run_family winxp
run_family win98
# On 9x only the first held file was written to wininit.ini; the second must have stayed.
[ -f "$TVX_TMP/disinfect-dispose-win98/drive_c/tvx locked folder/second.exe" ] ||
    fail "win98: the unregistered file went too"
exit $status
