#!/bin/sh
# A stand-in simulator for the regression engine's tests. The "image" it is given is a text
# file of one line, MODE N [K], written by the tests' image callback; it prints what a real
# simulation of a random image with N checkpoints would print in that case.
#   pass        every checkpoint passes, exit 0
#   fail K      checkpoints 1 to K-1 pass, K fails (the fail word), exit 1
#   crash K     checkpoints 1 to K pass, then an error and exit 3 (no verdict)
#   passexit    every checkpoint passes, yet exit 1
#   hang K      checkpoints 1 to K pass, then a child and the script wait forever
#   stubborn K  as hang, both ignoring SIGTERM (only SIGKILL ends them)
#   silent      no display word at all, exit 0
#   short K     checkpoints 1 to K pass, then exit 0 (no verdict)
#   foreign     a display word no random image writes, exit 0
#   longline    a display word, then a line longer than the log reader takes, exit 0
#   chatty      every checkpoint passes among many other lines, exit 0
if [ $# -ne 1 ] || [ ! -r "$1" ]; then
    echo "standin-sim: give the image file" >&2
    exit 2
fi
read -r mode n k <"$1"
pass_until() {
    i=1
    while [ "$i" -le "$1" ]; do
        printf 'display 0x%08x: checkpoint %d passed\n' $(((i << 24) | i)) "$i"
        i=$((i + 1))
    done
}
case "$mode" in
pass) pass_until "$n"; echo "coretest: PASS"; exit 0 ;;
fail) pass_until $((k - 1)); printf 'display 0x%08x: checkpoint %d failed\n' $(((k << 24) | (k - 1))) "$k"
      echo "verdict: fail"; exit 1 ;;
crash) pass_until "$k"; echo "simulator: segmentation fault" >&2; exit 3 ;;
passexit) pass_until "$n"; echo "trace comparison: differs"; exit 1 ;;
hang) pass_until "$k"; sleep 300 & echo $! >"$1.child"; wait ;;
stubborn) trap '' TERM; pass_until "$k"; sleep 300 & echo $! >"$1.child"; wait; wait ;;
silent) echo "simulation finished"; exit 0 ;;
short) pass_until "$k"; exit 0 ;;
foreign) echo "display 0x7f000001"; exit 0 ;;
longline) pass_until 1; head -c 20000 /dev/zero | tr '\0' 'x'; echo; exit 0 ;;
chatty) i=0; while [ "$i" -lt 2000 ]; do echo "cycle $i: nothing to see"; i=$((i + 1)); done
        pass_until "$n"; exit 0 ;;
*) echo "standin-sim: unknown mode '$mode'" >&2; exit 2 ;;
esac
