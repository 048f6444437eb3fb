#!/usr/bin/env bash
# The product's folders include one way, from the window down to base (tests/build/include_layers.py).
set -euo pipefail
root=${TVX_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
/usr/bin/python3 "$root/tests/build/include_layers.py" "$root"

# The check must notice a wrong include: a copy of the product folders where the scan includes the
# window's header, one where the disposal names the scan's record, one with a folder outside the layer list, and one with a test folder named after
# no product folder.
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
for layer in base run match platform disinfect detect scan ui; do
    cp -r "$root/$layer" "$copy/$layer"
    mkdir -p "$copy/tests/$layer"
done
mkdir -p "$copy/tests/"{e2e,build,fixtures,fuzz,helpers,lib}
/usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null
echo '#include "ui/ui.h"' >>"$copy/scan/walker.cpp"
if /usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null; then
    echo "FAIL: the check passed although scan/walker.cpp includes ui/ui.h"
    exit 1
fi
sed -i '$d' "$copy/scan/walker.cpp"
# base/ holds only what any layer may use, so it must not reach the scan's domain above it.
echo '#include "run/scan_state.h"' >>"$copy/base/text.cpp"
if /usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null; then
    echo "FAIL: the check passed although base/text.cpp includes run/scan_state.h"
    exit 1
fi
sed -i '$d' "$copy/base/text.cpp"
# Below the scan's entry the record is handed down, never reached through the global.
echo 'static void Touch() { g_scanState.cancelRequested = true; }' >>"$copy/disinfect/dispose.cpp"
if /usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null; then
    echo "FAIL: the check passed although disinfect/dispose.cpp names g_scanState"
    exit 1
fi
sed -i '$d' "$copy/disinfect/dispose.cpp"
mkdir "$copy/extra" && touch "$copy/extra/module.mk"
if /usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null; then
    echo "FAIL: the check passed although extra/ has no place in the layer list"
    exit 1
fi
rm -r "$copy/extra"
/usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null
mkdir "$copy/tests/engine"
if /usr/bin/python3 "$root/tests/build/include_layers.py" "$copy" >/dev/null; then
    echo "FAIL: the check passed although tests/engine/ is named after no product folder"
    exit 1
fi
echo "the check fails on a wrong include, on the record named below the scan, on an unplaced folder and on an unplaced test folder"
