#!/usr/bin/env bash
# Runs a test ROM on our core (hdl/core) in Verilator or Icarus Verilog through the template top
# and scripts/sim-core.sh: builds the ROM and the tool, then the simulation, prints the run
# (display writes, verdict, summary) and checks its commit trace with `coretest compare`.
#
#   scripts/sim-rom.sh verilator|icarus [--rom 1|2|FILE.elf] [--bug NAME]... [--switch HEX] [--trace FILE]
#                      [--max-cycles N] [--build DIR]
#
# --rom picks the first ROM (1, the default: rom/coretest.elf) or the second (2:
# rom2/coretest2.elf, exported for $readmemh as hdl/coretest2.hex) or any image, such as a random
# program from `coretest random` (a path from the current folder; see scripts/sim-core.sh).
#
# Exit status: 0 the ROM passed and the trace agrees with the reference core; 1 the run failed,
# ended without a verdict, or the trace differs; 2 bad input (usage, a build that fails, no ROM).
set -uo pipefail
caller=$PWD
cd "$(dirname "$0")/.."

fail() { echo "sim-rom: $*" >&2; exit 2; }
usage() {
    fail "usage: scripts/sim-rom.sh verilator|icarus [--rom 1|2|FILE.elf] [--bug NAME]... [--switch HEX] [--trace FILE] [--max-cycles N] [--build DIR]"
}

source scripts/sim-checks.sh

(($#)) || usage
simulator=$1
shift
check_simulator "$simulator"

build=build
rom=1
switch=1
trace=
max_cycles=20000000
bugs=
while (($#)); do
    (($# >= 2)) || usage
    case "$1" in
    --bug)
        [[ $2 =~ ^[A-Za-z0-9_.-]+$ ]] || fail "--bug takes a knob name (hdl/core/bug_knobs.md), not '$2'"
        bugs=${bugs:+$bugs,}$2 ;;
    --rom) rom=$2 ;;
    --switch) switch=$2 ;;
    --trace) trace=$2 ;;
    --max-cycles) max_cycles=$2 ;;
    --build) build=$2 ;;
    *) usage ;;
    esac
    shift 2
done
# An image's path is read from the folder the script was called from.
[[ $rom != *.elf || $rom == /* ]] || rom=$caller/$rom
check_rom "$rom"
check_switch_and_cycles "$switch" "$max_cycles"
# An image's trace is named after it, in the simulation's work folder.
work=$build/hdl/sim-rom-$simulator
if [[ $rom == [12] ]]; then
    trace=${trace:-$build/hdl/$simulator.trace}
else
    mkdir -p "$work" 2>/dev/null || fail "cannot write the work folder '$work'"
    trace=${trace:-$work/$(basename "$rom" .elf).trace}
fi
# The trace is refused before anything is built: a folder, or a file that takes no bytes.
[[ ! -d $trace ]] || fail "the trace '$trace' is a folder"
mkdir -p "$build/hdl" 2>/dev/null || fail "cannot write the build folder '$build'"
{ printf '\n' >"$trace"; } 2>/dev/null || fail "cannot write the trace file '$trace'"

# One build of the tool at a time: runs started together (coretest regress -j N) share it.
exec 8>"$build/sim-rom.lock" && flock 8 || fail "cannot lock the build folder '$build'"
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || fail "cmake cannot configure $build"
fi
# The first ROM's $readmemh file is a target of the build; sim-core.sh exports the others.
case "$rom" in
1) targets=(coretest hdl_rom) ;;
2) targets=(coretest rom2) ;;
*) targets=(coretest) ;;
esac
if ! cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >"$build/sim-rom-build.log" 2>&1; then
    tail -20 "$build/sim-rom-build.log" >&2
    fail "building the ROM and the tool failed (log: $build/sim-rom-build.log)"
fi
exec 8>&-
list=$build/hdl/coretest_core.f
[[ -f $list ]] || fail "no file list $list (configure $build again)"

args=(--top coretest_tb -f "$list" --build "$build" --work "$work" --rom "$rom"
    --switch "$switch" --trace "$trace" --max-cycles "$max_cycles")
[[ -n $bugs ]] && args+=(--plusarg "+bug=$bugs")
exec scripts/sim-core.sh "$simulator" "${args[@]}"
