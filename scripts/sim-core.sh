#!/usr/bin/env bash
# Runs the test ROM on any core through a top made from the template (hdl/tb/coretest_tb.sv), in
# Verilator or Icarus Verilog, optionally with the live checker, and checks the commit trace with
# `coretest compare`. The sources come from file lists (-f, the format both simulators read:
# file names, +incdir+DIR, +define+NAME[=VALUE]) and source files; the kit's modules are added, and its folder to the include path (coretest_core_ports.svh).
#
#   scripts/sim-core.sh verilator|icarus --top NAME (-f LIST.f | FILE.sv)... [--cosim]
#       [--define NAME[=VALUE]]... [--plusarg +ARG]... [--rom 1|2|FILE.elf] [--switch HEX] [--trace FILE]
#       [--max-cycles N] [--work DIR] [--build DIR] [--build-only] [--cflags F] [--ldflags F]
#
# --build DIR is the project's build (default build): the ROM ($readmemh file hdl/coretest.hex,
# ELF rom/coretest.elf), the tool cli/coretest and, with --cosim, cosim/libcoretest_cosim.so.
# --rom 2 runs the second ROM instead (ELF rom2/coretest2.elf, build the target rom2): its
# $readmemh file hdl/coretest2.hex is exported with the tool when missing or older than the ELF.
# --rom FILE.elf runs any image the tool takes (a random program from `coretest random`, a ROM
# built elsewhere): it is exported into the work folder as image.hex, and the reference core's
# run of it gives the count the verdict line names (+checkpoints=N for a random program,
# +routines=N otherwise), so the summary reads "10 of 10 checkpoints passed".
# The simulator builds in --work DIR (default DIR/sim-core/SIMULATOR-TOP), again only when a
# source changed; --cflags and --ldflags go to the C++ compiler and linker of a Verilator model
# (for instance the sanitizers a library it links was built with). Exit status: 0 the ROM passed and the trace agrees with the reference core;
# 1 the run failed, ended without a verdict, or the trace differs; 2 bad input (usage, a missing
# file, a trace that cannot be written, sources that do not build, a "coretest: ERROR" run).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() { echo "sim-core: $*" >&2; exit 2; }
usage() {
    fail "usage: scripts/sim-core.sh verilator|icarus --top NAME (-f LIST.f | FILE.sv)... [--cosim] [--define NAME[=VALUE]]... [--plusarg +ARG]... [--rom 1|2|FILE.elf] [--switch HEX] [--trace FILE] [--max-cycles N] [--work DIR] [--build DIR] [--build-only] [--cflags F] [--ldflags F]"
}

source "$root/scripts/sim-checks.sh"

(($#)) || usage
simulator=$1
shift
check_simulator "$simulator"

build=build
top=
work=
rom=1
switch=1
trace=
max_cycles=20000000
cosim=0
build_only=0
cflags=
ldflags=
lists=()
sources=()
defines=()
plusargs=()
while (($#)); do
    case "$1" in
    --cosim) cosim=1; shift; continue ;;
    --build-only) build_only=1; shift; continue ;;
    -f | --top | --define | --plusarg | --rom | --switch | --trace | --max-cycles | --work | --build | --cflags | --ldflags)
        (($# >= 2)) || fail "$1 needs a value" ;;
    -*) fail "unknown option '$1'" ;;
    *) sources+=("$1"); shift; continue ;;
    esac
    case "$1" in
    -f) lists+=("$2") ;;
    --top) top=$2 ;;
    --define) defines+=("$2") ;;
    --plusarg) plusargs+=("$2") ;;
    --rom) rom=$2 ;;
    --switch) switch=$2 ;;
    --trace) trace=$2 ;;
    --max-cycles) max_cycles=$2 ;;
    --work) work=$2 ;;
    --build) build=$2 ;;
    --cflags) cflags=$2 ;;
    --ldflags) ldflags=$2 ;;
    esac
    shift 2
done

[[ -n $top ]] || fail "--top NAME is needed: the top module made from the template"
[[ $top =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] || fail "--top takes a module name, not '$top'"
((${#lists[@]} + ${#sources[@]})) || fail "no sources: give a file list (-f LIST.f) or source files"
for f in "${lists[@]}" "${sources[@]}"; do
    [[ -f $f && -r $f ]] || fail "cannot read the source or file list '$f'"
done
for d in "${defines[@]}"; do
    [[ $d =~ ^[A-Za-z_][A-Za-z0-9_]*(=[^[:space:]]*)?$ ]] || fail "--define takes NAME or NAME=VALUE, not '$d'"
done
for p in "${plusargs[@]}"; do
    [[ $p =~ ^\+[^[:space:]]+$ ]] || fail "--plusarg takes one +ARG, not '$p'"
done
check_rom "$rom"
check_switch_and_cycles "$switch" "$max_cycles"
((cosim == 0)) || [[ $simulator == verilator ]] || fail "--cosim needs Verilator (the live checker is a DPI-C library)"
[[ $cflags$ldflags != *[$'\n\r']* ]] || fail "--cflags and --ldflags take one line"

hex=$build/hdl/coretest.hex
elf=$build/rom/coretest.elf
case "$rom" in
1) ;;
2)
    hex=$build/hdl/coretest2.hex
    elf=$build/rom2/coretest2.elf
    ;;
*) elf=$rom ;;  # exported below, into the work folder
esac
cli=$build/cli/coretest
cosim_lib=$build/cosim
if ((!build_only)); then
    [[ -f $elf ]] || fail "no ROM image $elf (build the target $( [[ $rom == 1 ]] && echo rom || echo rom2), or give --build DIR)"
    [[ -x $cli ]] || fail "no tool $cli (give --build DIR)"
    if [[ $rom == 2 ]] && [[ ! -f $hex || $hex -ot $elf ]]; then
        # The board's 512 KiB ROM window, as the build exports the first ROM.
        mkdir -p "$build/hdl" 2>/dev/null &&
            "$cli" export "$elf" --format hex --size 524288 -o "$hex" >/dev/null ||
            fail "cannot export the second ROM to $hex"
    fi
    [[ $rom != [12] || -f $hex ]] || fail "no ROM file $hex (build the target hdl_rom, or give --build DIR)"
fi
if ((cosim)); then
    [[ -f $cosim_lib/libcoretest_cosim.so ]] ||
        fail "no $cosim_lib/libcoretest_cosim.so for --cosim (build the target coretest_cosim)"
fi
case "$simulator" in
verilator) command -v verilator >/dev/null || fail "verilator is not on the PATH" ;;
icarus) command -v iverilog >/dev/null && command -v vvp >/dev/null || fail "iverilog or vvp is not on the PATH" ;;
esac

work=${work:-$build/sim-core/$simulator-$top$( ((cosim)) && echo -cosim)}
mkdir -p "$work" 2>/dev/null && [[ -w $work ]] || fail "cannot write the work folder '$work'"
work=$(cd "$work" && pwd)
# The run's own files: core.trace and run.log, or NAME.trace, NAME.log and NAME.hex for an image
# NAME.elf, so that runs of several images can share the work folder and its build at once (as
# `coretest regress -j N` runs them).
stem=core
out=$work/run.log
if [[ $rom != [12] ]]; then
    stem=$(basename "$rom" .elf)
    out=$work/$stem.log
fi
trace=${trace:-$work/$stem.trace}
if ((!build_only)); then
    # The trace is refused now rather than after the run: a folder, or a file that takes no bytes.
    [[ ! -d $trace ]] || fail "the trace '$trace' is a folder"
    { printf '\n' >"$trace"; } 2>/dev/null || fail "cannot write the trace file '$trace'"
fi
if ((!build_only)) && [[ $rom != [12] ]]; then
    # The image's verdict as the reference core gives it names what the display words count.
    reference=$("$cli" run "$elf" 2>&1)
    counted=$(sed -nE 's/^verdict: [a-zA-Z]+, [0-9]+ of ([0-9]+) (routines|checkpoints) passed.*/+\2=\1/p' <<<"$reference")
    [[ -n $counted ]] || fail "the tool cannot run the image '$elf': $(head -1 <<<"$reference")"
    plusargs=("$counted" "${plusargs[@]}")
    hex=$work/$stem.hex
    "$cli" export "$elf" --format hex --size 524288 -o "$hex" >/dev/null ||
        fail "cannot export the image '$elf' to $hex"
fi

# The kit, in the order its packages need; the live checker's package and module with --cosim.
kit=(coretest_pkg.sv coretest_wait_states.sv coretest_board.sv coretest_tracer.sv
    coretest_monitor.sv coretest_shadow_pipeline.sv)
kit_files=()
for k in "${kit[@]}"; do kit_files+=("$root/hdl/kit/$k"); done
args=()
for f in "${lists[@]}"; do args+=(-f "$f"); done
args+=("${sources[@]}")
log=$work/build.log
# One build at a time in a work folder; runs that share it wait for the build, not for each other.
exec 9>"$work/build.lock" && flock 9 || fail "cannot lock the work folder '$work'"
if [[ $simulator == icarus ]]; then
    # Icarus reads the files of a command file before those on its command line, so the kit
    # (its package first) goes into one command file ahead of the lists' lines.
    # Compiled beside and renamed, so that a run started from the last build keeps its file.
    flags=(-g2012 -s "$top" -o "$work/$top.vvp.$$")
    for d in "${defines[@]}"; do flags+=("-D$d"); done
    { echo "+incdir+$root/hdl/kit"; printf '%s\n' "${kit_files[@]}"; cat "${lists[@]}" /dev/null; echo; printf '%s\n' "${sources[@]}"; } \
        >"$work/sources.f"
    if ! iverilog "${flags[@]}" -f "$work/sources.f" >"$log" 2>&1; then
        tail -20 "$log" >&2
        rm -f "$work/$top.vvp.$$"
        fail "iverilog cannot build $top (log: $log)"
    fi
    mv -f "$work/$top.vvp.$$" "$work/$top.vvp" || fail "cannot write $work/$top.vvp"
    run=(vvp -n "$work/$top.vvp")
else
    # The C++ compiler: $CXX, else clang++ where installed (it compiles the model faster).
    cxx=${CXX:-$(command -v clang++ || echo c++)}
    flags=(--cc --exe --build -j 2 --assert -O3 --x-assign fast --x-initial fast -Wno-fatal
        "-I$root/hdl/kit"
        --top-module "$top" --prefix "V$top" -Mdir "$work/obj" -o "$work/V$top"
        -CFLAGS "-DVM_PREFIX=V$top $cflags" -MAKEFLAGS "CXX=$cxx LINK=$cxx")
    [[ -z $ldflags ]] || flags+=(-LDFLAGS "$ldflags")
    for d in "${defines[@]}"; do flags+=("-D$d"); done
    checker=()
    if ((cosim)); then
        lib=$(cd "$cosim_lib" && pwd)
        flags+=(-DCORETEST_COSIM -LDFLAGS "-L$lib -Wl,-rpath,$lib -lcoretest_cosim")
        checker=("$root/hdl/cosim/coretest_cosim_pkg.sv")
        args+=("$root/hdl/cosim/coretest_cosim_checker.sv")
    fi
    if ! verilator "${flags[@]}" "${checker[@]}" "${kit_files[@]}" "${args[@]}" \
        "$root/hdl/tb/sim_main.cpp" >"$log" 2>&1; then
        tail -20 "$log" >&2
        fail "verilator cannot build $top (log: $log)"
    fi
    run=("$work/V$top")
fi
exec 9>&-
((build_only)) && exit 0

run+=(+rom="$hex" +switch="${switch#0x}" +trace="$trace" +max_cycles="$max_cycles")
((cosim)) && run+=(+cosim_elf="$elf")
run+=("${plusargs[@]}")
"${run[@]}" | tee "$out"
rc=${PIPESTATUS[0]}
# The same rule for both simulators (Verilator's exit status agrees): the last of the kit's
# lines decides; an ERROR with no summary after it is bad input, an ERROR about the core (the
# data-port contract) is followed by a FAIL summary.
summary=$(grep -E '^coretest: (PASS|FAIL|ERROR)' "$out" | tail -1)
case "$summary" in
"coretest: ERROR"*) exit 2 ;;
"coretest: PASS"*) status=0 ;;
"coretest: FAIL"*) status=1 ;;
*) echo "sim-core: the simulation ended without a summary line" >&2; status=1 ;;
esac
((rc == 0)) || status=1

echo
"$cli" compare "$trace" "$elf" || status=1
exit $status
