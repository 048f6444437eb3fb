#!/usr/bin/env bash
# Version codes and the restart's privilege step, with the reported Windows version switched.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix system-version
probe=$prefix/drive_c/system_probe.exe
cp "$TVX_BUILD/win/tests/platform/system_probe.exe" "$probe"

run() { tvx_wine "$prefix" 'C:\system_probe.exe' "$@" 2>/dev/null | tr -d '\r'; }

# version  platform/nt   restart steps (fake privilege step and fake reboot returning 77)
while IFS='|' read -r version codes steps; do
    tvx_set_version "$prefix" system_probe.exe "$version"
    expect "$version codes" "$codes" "$(run version)"
    expect "$version restart" "$steps" "$(run restart-steps)"
done <<'TABLE'
win98|platform=4 nt=0|privilege=0 exit=1 result=77
nt40|platform=5 nt=5|privilege=1 exit=1 result=77
win2k|platform=5 nt=6|privilege=1 exit=1 result=77
winxp|platform=5 nt=6|privilege=1 exit=1 result=77
win7|platform=5 nt=0|privilege=1 exit=1 result=77
win10|platform=5 nt=0|privilege=1 exit=1 result=77
TABLE

# On the NT family a refused privilege or an unopenable token stops the restart.
tvx_set_version "$prefix" system_probe.exe winxp
expect "not all assigned" "privilege=1 exit=0 result=1300" "$(run restart-steps 1300)"
expect "token refused" "privilege=1 exit=0 result=0" "$(run restart-steps notoken)"
# The 9x family never asks for the privilege, so its answer cannot stop the restart.
tvx_set_version "$prefix" system_probe.exe win98
expect "9x ignores privilege" "privilege=0 exit=1 result=77" "$(run restart-steps 1300)"
exit $status
