#!/usr/bin/env bash
# Service stop and service-key removal in a prefix of its own (it registers services and writes
# machine keys).
set -u
source "$TVX_ROOT/tests/lib/wine_env.sh"
prefix=$TVX_TMP/disinfect-service
tvx_copy_prefix "$prefix"
trap 'tvx_stop_prefix "$prefix"' EXIT
tvx_start_server "$prefix"
mkdir -p "$prefix/drive_c/tvxtest"
cp "$TVX_BUILD/win/tests/disinfect/service_wine.exe" "$TVX_BUILD/win/tests/helpers/tvx_test_service.exe" \
    "$prefix/drive_c/tvxtest/"
tvx_wine "$prefix" 'C:\tvxtest\service_wine.exe'
