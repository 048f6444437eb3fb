#!/usr/bin/env bash
# The bootstrap's decision about 32-bit emulation, with stand-ins for every probe, so that it runs the
# same on any machine: nothing where the loader starts, the missing steps where it is refused, and one
# line naming the step that failed.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
source "$TVX_ROOT/tools/emulation.sh"

# Stand-ins, driven by the variables each row sets.
tvx_loader_starts() { [ "$loader" = starts ]; }
tvx_qemu_version() { [ "$qemu" = none ] || echo "$qemu"; }
tvx_binfmt_mounted() { [ "$mounted" = yes ]; }
tvx_our_registration() { [ "$ours" = yes ]; }

# label | loader | qemu installed | binfmt_misc mounted | our registration | wanted plan
while IFS='|' read -r case_label loader qemu mounted ours wanted; do
    expect "$case_label" "$wanted" "$(tvx_emulation_plan | paste -sd' ')"
done <<'EOF'
loader starts natively|starts|none|no|no|
loader starts through our registration|starts|1:10.0.2+ds-2|yes|yes|
loader starts through another program's registration|starts|1:10.0.2+ds-2|yes|no|
refused, nothing set up|refused|none|no|no|install mount register
refused, qemu 7.2 registered by another program|refused|1:7.2+dfsg-7|yes|no|install register
refused, qemu 10 installed, not registered|refused|1:10.0.2+ds-2|yes|no|register
refused, qemu 8 after a restart unmounted binfmt_misc|refused|1:8.2.1+ds-1|no|no|mount register
refused, our registration stale|refused|1:10.0.2+ds-2|yes|yes|replace
EOF
case_label=""

# Which registration runs 32-bit x86 programs: only an enabled one whose magic is i386 ELF.
TVX_BINFMT_DIR=$TVX_TMP/binfmt
mkdir -p "$TVX_BINFMT_DIR"
entry() {  # name state magic interpreter
    printf '%s\ninterpreter %s\nflags: F\noffset 0\nmagic %s\nmask ff\n' "$2" "$4" "$3" >"$TVX_BINFMT_DIR/$1"
}
touch "$TVX_BINFMT_DIR/register" "$TVX_BINFMT_DIR/status"
i386=7f454c4601010100000000000000000002000300
arm=7f454c4601010100000000000000000002002800
entry qemu-arm enabled "$arm" /usr/bin/qemu-arm
expect "no i386 registration: native" "" "$(tvx_i386_emulator)"
entry other-i386 disabled "$i386" /opt/other/qemu-i386
expect "a disabled i386 registration: native" "" "$(tvx_i386_emulator)"
entry other-i386 enabled "$i386" /opt/other/qemu-i386
expect "another program's i386 registration" "/opt/other/qemu-i386" "$(tvx_i386_emulator)"
entry "$TVX_EMULATION_NAME" enabled "$i386" /usr/bin/qemu-i386
expect "ours is preferred" "/usr/bin/qemu-i386" "$(tvx_i386_emulator)"

# A step that cannot be done is one line naming it and why, and the set-up stops there.
loader=refused qemu=1:10.0.2+ds-2 mounted=no ours=no
tvx_as_root() { echo "not root, and there is no sudo" >&2; return 1; }
out=$(tvx_setup_emulation 2>&1)
rc=$?
expect "failed step: exit code" 1 "$rc"
expect "failed step: its line" "bootstrap: 32-bit emulation: step 'mount' failed: not root, and there is no sudo" \
    "$(echo "$out" | tail -1)"
# The loader still refused after every step ran: the check says so.
tvx_as_root() { :; }
tvx_register_emulator() { :; }
out=$(tvx_setup_emulation 2>&1)
expect "check after the set-up" "bootstrap: 32-bit emulation: step 'check' failed: Wine's 32-bit loader still does not start after the set-up" \
    "$(echo "$out" | tail -1)"
# Nothing to do prints nothing.
loader=starts
expect "nothing to do, nothing printed" "" "$(tvx_setup_emulation 2>&1)"
exit $status
