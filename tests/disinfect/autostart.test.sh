#!/usr/bin/env bash
# Autostart cleanup against Wine's registry in a prefix of its own (it deletes machine values and
# hosts files), reported as Windows XP, then as Windows 98 for the hosts file's place.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix disinfect-autostart
mkdir -p "$prefix/drive_c/tvxtest"
status=0
for version in winxp win98; do
    cp "$TVX_BUILD/win/tests/disinfect/autostart_wine_test.exe" "$prefix/drive_c/tvxtest/autostart_$version.exe"
    tvx_set_version "$prefix" "autostart_$version.exe" "$version"
done
echo "== reported as winxp"
tvx_wine "$prefix" 'C:\tvxtest\autostart_winxp.exe' || status=1
echo "== reported as win98: the hosts file in the Windows folder"
tvx_wine "$prefix" 'C:\tvxtest\autostart_win98.exe' -tc='the hosts file*' || status=1
exit $status
