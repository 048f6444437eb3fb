# User-mode emulation of 32-bit programs, for machines whose kernel refuses them. Source this file.
#
# Wine starts every Windows program of ours through its 32-bit loader, a 32-bit Linux program. A kernel
# built or booted without 32-bit support answers "Exec format error"; then qemu-user runs the loader,
# registered in binfmt_misc for 32-bit x86 ELF files. Nothing here is done on a machine that runs
# 32-bit programs natively.

TVX_BINFMT_DIR=${TVX_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}
# Our registration's own name, so it is never mistaken for one another program made.
TVX_EMULATION_NAME=tarvex-i386
TVX_WINE32_LOADER=/usr/lib/wine/wine
# Wine's loader reserves its address space with MAP_FIXED_NOREPLACE, which qemu honours from 8 on.
TVX_QEMU_MIN_VERSION=1:8
TVX_QEMU_PACKAGES="qemu-user qemu-user-binfmt qemu-user-static"
TVX_APT_SOURCE=/etc/apt/sources.list.d/tarvex-backports.sources
TVX_APT_PIN=/etc/apt/preferences.d/tarvex-backports

# The probes, each a function so that a test can stand in for it.

# tvx_loader_starts: whether Wine's 32-bit loader runs on this machine (natively or emulated).
tvx_loader_starts() {
    "$TVX_WINE32_LOADER" --version >/dev/null 2>&1
}

# tvx_qemu_version: the installed qemu-user-static's version, or nothing.
tvx_qemu_version() {
    { dpkg-query -W -f='${db:Status-Abbrev} ${Version}' qemu-user-static 2>/dev/null || true; } | sed -n 's/^ii  *//p'
}

# tvx_binfmt_mounted: whether binfmt_misc can take a registration.
tvx_binfmt_mounted() {
    [ -e "$TVX_BINFMT_DIR/register" ]
}

# tvx_our_registration: whether our registration exists (enabled or not).
tvx_our_registration() {
    [ -e "$TVX_BINFMT_DIR/$TVX_EMULATION_NAME" ]
}

# tvx_i386_emulator: the interpreter of the enabled registration that runs 32-bit x86 ELF programs
# (the newest registration wins, but the kernel does not say which is newest: ours is preferred),
# or nothing when 32-bit programs run natively.
tvx_i386_emulator() {
    local entry magic
    for entry in "$TVX_BINFMT_DIR/$TVX_EMULATION_NAME" "$TVX_BINFMT_DIR"/*; do
        [ -f "$entry" ] || continue
        case ${entry##*/} in register | status) continue ;; esac
        head -1 "$entry" | grep -qx enabled || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        # ELF, 32-bit, little-endian; e_machine (bytes 18 and 19) is 3, i386.
        [[ "$magic" == 7f454c460101* && "${magic:36:4}" == 0300 ]] || continue
        sed -n 's/^interpreter //p' "$entry"
        return 0
    done
}

# tvx_emulation_plan: the steps this machine needs, one word a line, in order; nothing when Wine's
# 32-bit loader starts already.
#   install   qemu-user-static missing or older than 8
#   mount     binfmt_misc not mounted
#   replace   our registration is there but the loader does not start: ours to remove and make anew
#   register  no registration of ours
tvx_emulation_plan() {
    tvx_loader_starts && return 0
    local version
    version=$(tvx_qemu_version)
    if [ -z "$version" ] || ! dpkg --compare-versions "$version" ge "$TVX_QEMU_MIN_VERSION"; then
        echo install
    fi
    tvx_binfmt_mounted || echo mount
    if tvx_our_registration; then echo replace; else echo register; fi
}

# tvx_as_root COMMAND...: runs COMMAND as root (through sudo when we are not root).
tvx_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo -n "$@"
    else
        echo "not root, and there is no sudo" >&2
        return 1
    fi
}

# tvx_install_qemu: qemu-user-static at version 8 or later. Where the machine's own suite has only an
# older one, its backports suite is enabled from the URI the machine's Debian source already names,
# pinned so that nothing but qemu ever comes from it.
tvx_install_qemu() {
    local codename uri candidate
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    candidate=$(apt-cache policy qemu-user-static 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -z "$candidate" ] || [ "$candidate" = "(none)" ] ||
        ! dpkg --compare-versions "$candidate" ge "$TVX_QEMU_MIN_VERSION"; then
        [ -n "$codename" ] || { echo "/etc/os-release names no Debian codename" >&2; return 1; }
        uri=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(TARGET_OF)' 2>/dev/null |
            awk -v suite="$codename" '$2 == suite && $3 == "main" && $4 == "deb" { print $1; exit }')
        [ -n "$uri" ] || { echo "no apt source serves $codename main" >&2; return 1; }
        printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$uri" "$codename" | tvx_as_root tee "$TVX_APT_SOURCE" >/dev/null || return 1
        printf 'Package: *\nPin: release n=%s-backports\nPin-Priority: -1\n\nPackage: %s\nPin: release n=%s-backports\nPin-Priority: 990\n' \
            "$codename" "$TVX_QEMU_PACKAGES" "$codename" | tvx_as_root tee "$TVX_APT_PIN" >/dev/null || return 1
        tvx_as_root apt-get update -qq >/dev/null || { echo "apt-get update failed" >&2; return 1; }
    fi
    DEBIAN_FRONTEND=noninteractive tvx_as_root apt-get install -y -qq --no-install-recommends qemu-user-static \
        >/dev/null || { echo "apt-get install qemu-user-static failed" >&2; return 1; }
    local version
    version=$(tvx_qemu_version)
    dpkg --compare-versions "${version:-0}" ge "$TVX_QEMU_MIN_VERSION" ||
        { echo "the installed qemu-user-static is ${version:-missing}, 8 or later is needed" >&2; return 1; }
}

# tvx_register_emulator: registers qemu-i386 for 32-bit x86 ELF files, with the magic and mask the
# qemu package ships, under our own name and with the fix-binary flag (F): the kernel opens the
# interpreter now, so the registration holds inside any root or namespace.
tvx_register_emulator() {
    local conf=/usr/share/qemu/binfmt.d/qemu-i386.conf fields
    [ -f "$conf" ] || { echo "$conf is missing (qemu-user is not installed)" >&2; return 1; }
    [ -x /usr/bin/qemu-i386 ] || { echo "/usr/bin/qemu-i386 is missing" >&2; return 1; }
    # :name:type:offset:magic:mask:interpreter:flags
    IFS=: read -r _ _ type offset magic mask _ _ <"$conf"
    fields=":$TVX_EMULATION_NAME:$type:$offset:$magic:$mask:/usr/bin/qemu-i386:F"
    tvx_as_root sh -c 'printf "%s" "$1" > "$2/register"' sh "$fields" "$TVX_BINFMT_DIR"
}

# tvx_emulation_step STEP: does one step of the plan; says why on standard error when it fails.
tvx_emulation_step() {
    case $1 in
    install) tvx_install_qemu ;;
    mount) tvx_as_root mount -t binfmt_misc binfmt_misc "$TVX_BINFMT_DIR" ;;
    replace) tvx_as_root sh -c 'echo -1 > "$1"' sh "$TVX_BINFMT_DIR/$TVX_EMULATION_NAME" && tvx_register_emulator ;;
    register) tvx_register_emulator ;;
    esac
}

# tvx_setup_emulation: makes Wine's 32-bit loader start where the kernel refuses it. Prints nothing
# when there is nothing to do; where a step fails, one line naming the step and why, and returns 1.
tvx_setup_emulation() {
    local step err
    local -a steps
    mapfile -t steps < <(tvx_emulation_plan)
    [ ${#steps[@]} -gt 0 ] || return 0
    echo "bootstrap: this machine's kernel runs no 32-bit programs; setting up user-mode emulation (${steps[*]})" >&2
    for step in "${steps[@]}"; do
        if ! err=$(tvx_emulation_step "$step" 2>&1 >/dev/null); then
            echo "bootstrap: 32-bit emulation: step '$step' failed: $(echo "${err:-no reason given}" | tail -1)" >&2
            return 1
        fi
    done
    if ! tvx_loader_starts; then
        echo "bootstrap: 32-bit emulation: step 'check' failed: Wine's 32-bit loader still does not start after the set-up" >&2
        return 1
    fi
}
