#!/usr/bin/env bash
# `make release` packs the exe, the user's guide and their sums into one zip, with the sums of the
# zip and the exe beside it (tests/build/release_package.py says what is checked).
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
root=$TVX_ROOT
release=$TVX_BUILD/release

make -s -C "$root" B="$TVX_BUILD" release >"$TVX_TMP/release.log" 2>&1 || { cat "$TVX_TMP/release.log"; abort "make release failed"; }
version=$(make -s -C "$root" print-TARVEX_VERSION)
epoch=$(make -s -C "$root" print-SOURCE_DATE_EPOCH)
/usr/bin/python3 "$root/tests/build/release_package.py" "$release" "$TVX_BUILD/tarvex.exe" "$root/README.txt" \
    "$version" "$epoch" || status=1

# What a mirror or an administrator runs on Linux.
if (cd "$release" && sha256sum --check --strict SHA256SUMS); then
    ok "sha256sum --check SHA256SUMS in $release"
else
    fail "sha256sum --check SHA256SUMS in $release"
fi
exit $status
