#!/usr/bin/env bash
# Builds our core's testbench, runs the test ROM on it in Verilator or Icarus Verilog, prints the
# run (display writes, verdict, summary) and checks its commit trace with `coretest compare`.
#
#   scripts/sim-rom.sh verilator|icarus [--bug NAME]... [--switch HEX] [--trace FILE]
#                      [--max-cycles N] [--build DIR]
#
# Exit status: 0 the ROM passed and the trace agrees with the reference core; 1 the run failed,
# ended without a verdict, or the trace differs; 2 bad input (usage, a build that fails, no ROM).
set -uo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/sim-rom.sh verilator|icarus [--bug NAME]... [--switch HEX] [--trace FILE] [--max-cycles N] [--build DIR]" >&2
    exit 2
}

(($#)) || usage
simulator=$1
shift
case "$simulator" in
verilator | icarus) ;;
*) echo "sim-rom: unknown simulator '$simulator'; expected verilator or icarus" >&2; exit 2 ;;
esac

build=build
switch=1
trace=
max_cycles=20000000
bugs=
while (($#)); do
    (($# >= 2)) || usage
    case "$1" in
    --bug) bugs=${bugs:+$bugs,}$2 ;;
    --switch) switch=$2 ;;
    --trace) trace=$2 ;;
    --max-cycles) max_cycles=$2 ;;
    --build) build=$2 ;;
    *) usage ;;
    esac
    shift 2
done
[[ $switch =~ ^(0x)?[0-9a-fA-F]{1,8}$ ]] || { echo "sim-rom: --switch takes a hexadecimal word, not '$switch'" >&2; exit 2; }
[[ $max_cycles =~ ^[0-9]+$ ]] || { echo "sim-rom: --max-cycles takes a number, not '$max_cycles'" >&2; exit 2; }
trace=${trace:-$build/hdl/$simulator.trace}

if [[ $simulator == verilator ]]; then target=coretest_sim; else target=coretest_icarus; fi
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
if ! cmake --build "$build" -j"$(nproc)" --target coretest hdl_rom "$target" >"$build/sim-rom-build.log" 2>&1; then
    tail -20 "$build/sim-rom-build.log" >&2
    echo "sim-rom: building $target failed (log: $build/sim-rom-build.log)" >&2
    exit 2
fi
hex=$build/hdl/coretest.hex
[[ -f $hex ]] || { echo "sim-rom: no ROM file $hex" >&2; exit 2; }

plusargs=(+rom="$hex" +switch="${switch#0x}" +trace="$trace" +max_cycles="$max_cycles")
[[ -n $bugs ]] && plusargs+=(+bug="$bugs")
if [[ $simulator == verilator ]]; then
    run=("$build/hdl/coretest_sim" "${plusargs[@]}")
else
    run=(vvp -n "$build/hdl/coretest_tb.vvp" "${plusargs[@]}")
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
"${run[@]}" | tee "$log"
summary=$(grep -E '^coretest: (PASS|FAIL|ERROR)' "$log" | tail -1)
case "$summary" in
"coretest: ERROR"*) exit 2 ;;
"coretest: PASS"*) status=0 ;;
"coretest: FAIL"*) status=1 ;;
*) echo "sim-rom: the simulation ended without a summary line" >&2; exit 1 ;;
esac

echo
"$build/cli/coretest" compare "$trace" || status=1
exit $status
