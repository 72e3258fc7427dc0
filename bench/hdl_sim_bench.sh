#!/usr/bin/env bash
# Simulation speed of our core on the short-pause ROM run: wall time, simulated cycles and cycles
# per second in Verilator and in Icarus Verilog (figures to read, not a test).
#   bench/hdl_sim_bench.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j"$(nproc)" --target hdl_rom coretest_sim coretest_icarus >/dev/null
hex=$build/hdl/coretest.hex

measure() { # NAME COMMAND...
    local name=$1 start end out cycles
    shift
    start=$(date +%s.%N)
    out=$("$@" +rom="$hex" +switch=1 | grep '^coretest: ')
    end=$(date +%s.%N)
    cycles=$(sed -nE 's/.* ([0-9]+) cycles.*/\1/p' <<<"$out")
    [[ -n $cycles ]] || { echo "$name: no summary line: $out" >&2; return 1; }
    awk -v n="$name" -v c="$cycles" -v s="$start" -v e="$end" 'BEGIN {
        printf "%-10s %10d cycles %9.2f s %12.0f cycles/s\n", n, c, e - s, c / (e - s) }'
}

echo "short-pause ROM run of our core (switch 1), wall time including start-up"
measure verilator "$build/hdl/coretest_sim"
measure icarus vvp -n "$build/hdl/coretest_tb.vvp"
