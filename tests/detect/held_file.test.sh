#!/usr/bin/env bash
# The detectors read a file that another program holds open for writing with read and write sharing:
# the held-file case of the detector tests, run from inside the shared prefix with the holder beside it.
set -u
source "$(dirname "$0")/../lib/test_env.sh"
tvx_use_shared_prefix
folder=$TVX_SHARED_PREFIX/drive_c/tvx-held-file
mkdir -p "$folder"
tvx_at_exit 'rm -rf "$folder"'
cp "$TVX_BUILD/win/tests/detect/detectors_wine_test.exe" "$TVX_BUILD/win/tests/helpers/lock_holder.exe" "$folder/"
tvx_wine "$TVX_SHARED_PREFIX" 'C:\tvx-held-file\detectors_wine_test.exe' --no-skip=true \
    --test-case='files another program holds open*'
