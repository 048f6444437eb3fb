#!/usr/bin/env bash
# Service stop and service-key removal in a prefix of its own (it registers services and writes
# machine keys).
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_own_prefix disinfect-service
mkdir -p "$prefix/drive_c/tvxtest"
cp "$TVX_BUILD/win/tests/disinfect/service_wine_test.exe" "$TVX_BUILD/win/tests/helpers/tvx_test_service.exe" \
    "$prefix/drive_c/tvxtest/"
tvx_wine "$prefix" 'C:\tvxtest\service_wine_test.exe'
