/* Live co-simulation: the reference MIPS-I core checks a core under simulation at every
 * retirement.
 *
 * A testbench opens a checker with the ROM's ELF image, then reports what its core does, in the
 * terms of the retirement interface: each retired instruction with its program-order number
 * (seq, 1 for the first, +1 per retired instruction), its pc and which writes belong to it, and
 * each write on its own, tagged with the seq of its instruction. Writes may come before or after
 * their instruction's retirement and out of program order (a late HI/LO from a divider, a store
 * before an older register write). Once an instruction has retired and all the writes it
 * announced have arrived, and every older instruction has been checked, the reference core
 * executes the same instruction and the two are compared: pc, general register, HI, LO, store
 * (exactly the bytes it writes) and exception (whether it was taken, and for a core that says so
 * with coretest_cosim_retire_exception, its code, EPC and BadVAddr). The first difference is
 * printed as a report naming the case, its source line, the instruction, the expected and observed
 * values, the case's operands and the instructions before it.
 *
 * An instruction whose announced write has still not come when 4,096 younger instructions have
 * retired is a divergence (the core lost the write), and so is a seq that never retires while
 * 4,096 younger ones do: checking never stalls waiting for them.
 *
 * Every call returns a status. In stop mode the first divergence returns CORETEST_COSIM_STOP
 * (the testbench ends the simulation) and later calls do nothing. In keep-going mode each
 * divergence returns CORETEST_COSIM_DIVERGED once and checking resumes where `coretest compare
 * --keep-going` resumes: the reference core skips to the entry of the next routine it enters and
 * the core's instructions are skipped until they reach it (a value that then differs by what the
 * skipped code left, like a pass count, is compared with that difference). Each routine reports
 * its first divergence in a case; outside the cases only the run's first is reported and the
 * rest are counted. The first ten are printed in full, then one line each, and the summary ends
 * with a table per routine. Checking ends with the
 * store of 0xff to the end-mark register; what the core does after it is accepted and not
 * compared.
 *
 * Reports and the summary go to standard output, misuse (a bad file, an impossible seq, a call
 * after finish, a closed handle) to standard error: the first misuse of a checker as one line,
 * later ones only counted (the count comes with the summary). A call refused as misuse does
 * nothing and returns CORETEST_COSIM_ERROR; the testbench should end the simulation.
 *
 * The functions are plain C and map one to one onto SystemVerilog DPI-C imports (the handle is a
 * chandle, uint32_t an `int unsigned`, const char* a string). A handle is used by one thread at a
 * time; checkers on different threads are independent. */
#ifndef CORETEST_COSIM_H
#define CORETEST_COSIM_H

#include <stdint.h>

#if defined(__GNUC__)
#define CORETEST_COSIM_API __attribute__((visibility("default")))
#else
#define CORETEST_COSIM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct coretest_cosim coretest_cosim;

enum coretest_cosim_status {
    CORETEST_COSIM_OK = 0,       /* everything checked so far agrees */
    CORETEST_COSIM_DIVERGED = 1, /* keep-going mode: a divergence was reported; checking goes on */
    CORETEST_COSIM_STOP = 2,     /* stop mode: a divergence was reported; end the simulation */
    CORETEST_COSIM_ERROR = 3     /* misuse (bad handle, seq or write, a call after finish); the
                                    first message is on stderr */
};

/* Flags of coretest_cosim_open; any other bit is refused. */
enum coretest_cosim_flag {
    CORETEST_COSIM_KEEP_GOING = 1, /* after a divergence, resume at the next routine */
    CORETEST_COSIM_PHYSICAL = 2    /* the core presents physical addresses (RAM at 0, ROM at
                                      0x1fc00000); they are compared as kseg0/kseg1 addresses */
};

/* Which writes a retired instruction announces (bits of `writes` in coretest_cosim_retire). */
enum coretest_cosim_write {
    CORETEST_COSIM_WRITES_GPR = 1, /* a general register other than r0 */
    CORETEST_COSIM_WRITES_HI = 2,
    CORETEST_COSIM_WRITES_LO = 4,
    CORETEST_COSIM_WRITES_MEM = 8, /* a store that completed (a store into the ROM included) */
    CORETEST_COSIM_TRAP = 16       /* the instruction raised an exception instead of completing */
};

/* Loads the ELF image and starts the reference core at its entry point with the board's switch
 * register reading `switch_value`. `flags` is a set of coretest_cosim_flag; `verbosity` 0 prints
 * divergences and the summary, 1 also each routine's report on the display, 2 also every checked
 * instruction. Returns NULL after printing why (unreadable image, no line records, a stripped
 * image, unknown flag bits). */
CORETEST_COSIM_API coretest_cosim* coretest_cosim_open(const char* elf_path, uint32_t switch_value,
                                                       uint32_t flags, uint32_t verbosity);

/* Instruction `seq` at `pc` (instruction word `insn`) retired; `writes` is a set of
 * coretest_cosim_write bits announcing the writes that belong to it (other bits are misuse). */
CORETEST_COSIM_API int coretest_cosim_retire(coretest_cosim* cosim, uint32_t seq, uint32_t pc,
                                             uint32_t insn, uint32_t writes);

/* Instruction `seq` at `pc` raised an exception instead of completing, and the core says which:
 * the Cause code it set (ExcCode, 0 to 31), the EPC it left and, for an address error (codes 4 and
 * 5), BadVAddr (ignored for other codes). It stands for coretest_cosim_retire with
 * CORETEST_COSIM_TRAP (implied here; `writes` announces what else belongs to the instruction,
 * normally nothing), and the exception is compared with the reference core's: its code, EPC and
 * BadVAddr. A core without coprocessor 0 goes on calling coretest_cosim_retire with
 * CORETEST_COSIM_TRAP: that it trapped is compared, not how. A code above 31 is misuse. */
CORETEST_COSIM_API int coretest_cosim_retire_exception(coretest_cosim* cosim, uint32_t seq,
                                                       uint32_t pc, uint32_t insn, uint32_t writes,
                                                       uint32_t exc_code, uint32_t epc,
                                                       uint32_t badvaddr);

/* The writes, each tagged with the seq of its instruction. A store carries the word-aligned
 * address, the byte enables (bit n: the byte at address + n) and the data in its byte lanes. */
CORETEST_COSIM_API int coretest_cosim_write_gpr(coretest_cosim* cosim, uint32_t seq, uint32_t reg,
                                                uint32_t value);
CORETEST_COSIM_API int coretest_cosim_write_hi(coretest_cosim* cosim, uint32_t seq, uint32_t value);
CORETEST_COSIM_API int coretest_cosim_write_lo(coretest_cosim* cosim, uint32_t seq, uint32_t value);
CORETEST_COSIM_API int coretest_cosim_write_mem(coretest_cosim* cosim, uint32_t seq,
                                                uint32_t address, uint32_t byte_enables,
                                                uint32_t data);

/* The board answered a read of its switch register (0xfffffff4) with `value`: the reference
 * board answers the same from now on. */
CORETEST_COSIM_API int coretest_cosim_board_read(coretest_cosim* cosim, uint32_t address,
                                                 uint32_t value);

/* End of the run: reports instructions whose announced writes never arrived and writes whose
 * instruction never retired, then prints the summary (instructions checked, divergences per
 * routine, the board verdict). Returns OK when everything agreed, DIVERGED or STOP when a
 * divergence was reported, ERROR for misuse. A second call prints nothing and returns the same.
 * After it, retirements, writes and board reads are misuse (ERROR, nothing checked); the counts
 * and close remain. */
CORETEST_COSIM_API int coretest_cosim_finish(coretest_cosim* cosim);

/* Instructions checked so far, and divergences reported so far (0 for a handle that is not open,
 * with a line on stderr). */
CORETEST_COSIM_API uint64_t coretest_cosim_checked(const coretest_cosim* cosim);
CORETEST_COSIM_API uint64_t coretest_cosim_divergences(const coretest_cosim* cosim);

/* Releases the checker (NULL is accepted). A handle that is not open (closed already, or not
 * from coretest_cosim_open) is refused with a line on stderr; so is any later call with a closed
 * handle, which returns CORETEST_COSIM_ERROR. A handle is a number that the process never hands
 * out twice, looked up in the library's table of open checkers (one per process, behind a lock):
 * nothing is ever read through it. */
CORETEST_COSIM_API void coretest_cosim_close(coretest_cosim* cosim);

#ifdef __cplusplus
}
#endif

#endif /* CORETEST_COSIM_H */
