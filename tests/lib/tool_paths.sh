# What drives the tool for the tests and the demo: where the driving programs live in a build folder,
# how the windows are found, the automation client, the lock holder and the screenshots.
# Source after TVX_BUILD is set; set AUTO_PREFIX to the prefix whose windows `auto` drives.
TOOL_EXE=$TVX_BUILD/tarvex.exe
AUTO_EXE=$TVX_BUILD/win/tools/automation/tvxauto.exe
HOLDER_EXE=$TVX_BUILD/win/tests/helpers/lock_holder.exe
FIXTURE_TOOL=$TVX_BUILD/native/tests/fixtures/make_fixture
ROWS_TOOL=$TVX_BUILD/native/tests/e2e/signature_rows  # the signature table's rows, one a line

# The product's title and control ids, read from the product's own headers so that a new version or
# id needs no change here: TITLE ("Tarvex Ver 1.0"), TITLE_PATTERN (the same for grep -E)
# and every IDC_ name of ui/resource.h.
tvx_source_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TARVEX_VERSION=$(sed -n 's/^#define TARVEX_VERSION_MAJOR \([0-9]*\)$/\1/p' "$tvx_source_root/base/version.h").$(
                 sed -n 's/^#define TARVEX_VERSION_MINOR \([0-9]*\)$/\1/p' "$tvx_source_root/base/version.h")
TITLE=$(sed -n 's/^const char kProductTitle\[\] = "\(.*\)" TARVEX_VERSION_TEXT;$/\1/p' \
        "$tvx_source_root/base/product.h")$TARVEX_VERSION
TITLE_PATTERN=${TITLE//./\\.}
eval "$(sed -n 's/^#define \(IDC_[A-Z_]*\) *\([0-9][0-9]*\).*/\1=\2/p' "$tvx_source_root/ui/resource.h")"
unset tvx_source_root
# Keys for `auto key` and `auto syskey`.
VK_RETURN=13 VK_ESCAPE=27 VK_F4=115

MAIN_SEL="$TITLE@$IDC_SCAN"          # the main window: the one with the Scan button
QUESTION_SEL="$TITLE@$IDC_MSG_TEXT"  # the message dialog: the one with the text line
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

# row_name ROW: the detection name the tool reports for a file made from row ROW of the signature table.
row_name() { "$ROWS_TOOL" | awk -F'\t' -v r="$1" '$1 == r { print $2 }'; }

# unix_path PREFIX WINPATH: the prefix's file for a C: path.
unix_path() {
    local unix=$1/drive_c/${2#C:\\}
    echo "${unix//\\//}"
}

# start_lock_holder PREFIX WINPATH OUTFILE: starts the lock holder on a file of the prefix, from inside
# the prefix, and returns once it holds the file (1 if it never does). Sets HOLDER_PID.
start_lock_holder() {
    local prefix=$1 file=$2 out=$3
    (cd "$prefix/drive_c" && exec env WINEPREFIX="$prefix" wine "$HOLDER_EXE" "$file") >"$out" 2>&1 &
    HOLDER_PID=$!
    tvx_wait_for_file "$out" 100 '^locked'
}

# shot_to_png BMP: turns a screenshot into a PNG beside it (the BMP goes) and prints one line: the
# PNG's path, or why there is none. Always succeeds: a lost picture must not end a demo or a test.
shot_to_png() {
    local bmp=$1 png=${1%.bmp}.png err
    if err=$(/usr/bin/python3 -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])' \
             "$bmp" "$png" 2>&1); then
        rm -f "$bmp"
        echo "screenshot $png"
    else
        echo "screenshot $png not saved: ${err##*$'\n'}"
    fi
}

# plant_busy_files DIR FILES: FILES files in DIR (in folders of 500) that keep a walk busy. Each has
# the length of the first signature record, so the detector opens and reads every one as it does a
# candidate (a file of a length no record accepts is passed over unopened and costs the walk almost
# nothing); they are sparse zeros, so they match nothing and take no disk space.
plant_busy_files() {
    /usr/bin/python3 - "$1" "$2" "$TVX_ROOT/match/signatures.bin" <<'PY'
import os, struct, sys
root, count, table = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(table, "rb") as f:
    length = struct.unpack_from("<i", f.read(108), 100)[0]  # the first record's file length
for i in range(count):
    folder = os.path.join(root, "folder%03d" % (i // 500))
    if i % 500 == 0:
        os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file%05d.dat" % i), "wb") as f:
        f.truncate(length)
PY
}

# auto ARGS...: the automation client, started from the C: drive of the prefix AUTO_PREFIX. Its stdout
# is the answer, without carriage returns (a screenshot's bytes are passed on untouched). AUTO_CPU,
# when set, pins the client to that CPU: the benchmarks keep its polling off the CPU they time.
auto() {
    local pin=()
    [ -z "${AUTO_CPU:-}" ] || pin=(taskset -c "$AUTO_CPU")
    if [ "$1" = shot ]; then
        (cd "$AUTO_PREFIX/drive_c" && WINEPREFIX="$AUTO_PREFIX" "${pin[@]}" wine "$AUTO_EXE" "$@" 2>/dev/null)
        return
    fi
    (cd "$AUTO_PREFIX/drive_c" && WINEPREFIX="$AUTO_PREFIX" "${pin[@]}" wine "$AUTO_EXE" "$@" 2>/dev/null) |
        sed -u 's/\r$//'
    return "${PIPESTATUS[0]}"
}
