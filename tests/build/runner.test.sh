#!/usr/bin/env bash
# The runner never ends green on a run that tested less than it names: a skipped test fails it unless
# TVX_ALLOW_SKIP=1, and so does a pattern that selects nothing. Run on a copy of the runner in a tree
# of stand-in tests, so that no real test runs twice.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"

tree=$TVX_TMP/runner-tree
mkdir -p "$tree/tools" "$tree/tests/lib" "$tree/tests/stand"
cp "$TVX_ROOT/tools/test.sh" "$tree/tools/"
cp "$TVX_ROOT"/tests/lib/*.sh "$tree/tests/lib/"
# No native, Wine or fuzz tests: only the scripts below.
printf 'print-%%:\n\t@:\n' >"$tree/Makefile"
printf '#!/usr/bin/env bash\nexit 0\n' >"$tree/tests/stand/passes.test.sh"
printf '#!/usr/bin/env bash\necho "a reason to skip"\nexit 77\n' >"$tree/tests/stand/skips.test.sh"

# runner PATTERN [VAR=VALUE...]: the copy's exit code and its last line, as "rc: line"; the caller's own
# TVX_ALLOW_SKIP (a developer's native-only run) does not reach it.
runner() {
    local pattern=$1 out rc
    shift
    out=$(env -u TVX_ALLOW_SKIP TVX_BUILD="$tree/build" "$@" bash "$tree/tools/test.sh" --no-build -j1 $pattern 2>&1)
    rc=$?
    echo "$rc: $(echo "$out" | tail -1)"
}

# label | pattern | environment | wanted
while IFS='|' read -r case_label pattern environment wanted; do
    expect "$case_label" "$wanted" "$(runner "$pattern" $environment)"
done <<'EOF'
all pass|passes||0: 1 passed, 0 failed, 0 skipped
a skip fails the run|stand||1: 1 passed, 0 failed, 1 skipped
a skip allowed|stand|TVX_ALLOW_SKIP=1|0: 1 passed, 0 failed, 1 skipped
a skip not allowed by another value|skips|TVX_ALLOW_SKIP=0|1: 0 passed, 0 failed, 1 skipped
no test selected|no-such-test||1: 0 passed, 0 failed, 0 skipped
no test selected, skips allowed|no-such-test|TVX_ALLOW_SKIP=1|1: 0 passed, 0 failed, 0 skipped
EOF
case_label=""
grep -q "Skipped tests fail the run" <(env -u TVX_ALLOW_SKIP TVX_BUILD="$tree/build" bash "$tree/tools/test.sh" --no-build -j1 skips 2>&1) &&
    ok "a failing skip says why" || fail "a failing skip does not say why"
exit $status
