# Checks of the options that scripts/sim-core.sh and scripts/sim-rom.sh share, sourced by both;
# each calls the sourcing script's fail (one line, exit 2) on bad input.

# verilator or icarus
check_simulator() {
    case "$1" in
    verilator | icarus) ;;
    *) fail "unknown simulator '$1'; expected verilator or icarus" ;;
    esac
}

# --rom: 1 (the first ROM), 2 (the second) or a readable image FILE.elf
check_rom() {
    [[ $1 == 1 || $1 == 2 ]] && return
    [[ $1 == *.elf ]] || fail "--rom takes 1 (the first ROM), 2 (the second) or an image FILE.elf, not '$1'"
    [[ -f $1 && -r $1 ]] || fail "cannot read the image '$1'"
}

# --switch HEX and --max-cycles N
check_switch_and_cycles() {
    [[ $1 =~ ^(0x)?[0-9a-fA-F]{1,8}$ ]] || fail "--switch takes a hexadecimal word, not '$1'"
    [[ $2 =~ ^[0-9]{1,18}$ ]] || fail "--max-cycles takes a number, not '$2'"
}
