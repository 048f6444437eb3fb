#!/usr/bin/env bash
# Two builds of one tree give the same bytes: the exe, its debug file and the release zip. The two
# copies of the tree lie at different depths, carry different file times, and build with different
# umasks, time zones, locales and job counts, seconds apart, one inside its tree and one outside.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
root=$TVX_ROOT
# A folder of its own: other tests of the run share TVX_TMP, and the two trees are large.
work=$(mktemp -d "$TVX_TMP/reproducible.XXXXXX")
tvx_at_exit "rm -rf $(printf '%q' "$work")"

# The tree as it stands, uncommitted edits and new files included (not the build folders).
copy_tree() {  # destination
    mkdir -p "$1"
    if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
        (cd "$root" && git ls-files -z --cached --others --exclude-standard |
            tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$1"
    else
        tar -C "$root" --exclude='./build*' -cf - . | tar -xf - -C "$1"
    fi
}
# The copies have no history of their own: the commit time, the build's default stamp, comes from
# the repository's.
git_dir=$(git -C "$root" rev-parse --absolute-git-dir 2>/dev/null || true)

build() {  # label tree build-folder umask TZ LC_ALL jobs
    local label=$1 tree=$2 out=$3
    (umask "$4" && cd "$tree" &&
        env -u SOURCE_DATE_EPOCH ${git_dir:+GIT_DIR="$git_dir"} TZ="$5" LC_ALL="$6" \
            make -s -j"$7" B="$out" release) >"$work/$label.log" 2>&1 ||
        { tail -30 "$work/$label.log"; abort "the $label build failed"; }
}

one=$work/one/tarvex
two=$work/second/a/much/longer/folder/tarvex
copy_tree "$one"
copy_tree "$two"
find "$one" -exec touch -h -d '2001-02-03 04:05:06' {} +
build first "$one" "$one/build" 022 UTC C 1
build second "$two" "$work/second/out" 077 Pacific/Kiritimati C.UTF-8 2

version=$(make -s -C "$root" print-TARVEX_VERSION)
for file in tarvex.exe tarvex.debug release/tarvex-$version.zip release/SHA256SUMS; do
    if cmp "$one/build/$file" "$work/second/out/$file" >/dev/null; then
        ok "$file: the same $(stat -c %s "$one/build/$file") bytes, sha256 $(sha256sum <"$one/build/$file" | cut -c1-64)"
    else
        fail "$file differs between the two builds; first differing bytes (offset, octal values):"
        cmp -l "$one/build/$file" "$work/second/out/$file" | head -5
    fi
done

# The exe carries the commit's time, not the build's (there is no commit outside a repository).
if [ -n "$git_dir" ]; then
    stamp=$(/usr/bin/python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read()
print(struct.unpack_from("<I", d, struct.unpack_from("<I", d, 60)[0] + 8)[0])' "$one/build/tarvex.exe")
    expect "the exe's time stamp is the last commit's" "$(git -C "$root" log -1 --format=%ct)" "$stamp"
fi
exit $status
