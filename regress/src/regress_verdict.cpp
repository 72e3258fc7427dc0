#include "coretest/regress_verdict.h"

#include <fmt/format.h>

#include "coretest/display_log.h"
#include "coretest/display_word.h"
#include "coretest/image.h"

namespace coretest::regress {

void CheckpointWatch::see(std::uint32_t word) {
    const unsigned k = word >> 24;
    const unsigned count = word & 0xffffff;
    if (word == 0 && !last_) return; // the display's value from boot
    ++words_;
    last_ = word;
    const bool known = k >= 1 && k <= checkpoints_ && (count == k || count + 1 == k);
    if (!known) {
        if (!foreign_) foreign_ = word;
        return;
    }
    if (count + 1 == k && !firstFailure_) firstFailure_ = word;
}

std::string watchOutput(const std::string& path, CheckpointWatch& watch) {
    try {
        LineReader reader = LineReader::open(path);
        std::string_view line;
        while (reader.next(line))
            if (const auto w = displayWordInLine(line)) watch.see(*w);
    } catch (const InputError& e) {
        return e.what();
    }
    return {};
}

std::string verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass: return "pass";
    case Verdict::Fail: return "FAIL";
    case Verdict::CommandFailed: return "command failed";
    case Verdict::TimedOut: return "timed out";
    case Verdict::NoVerdict: return "no verdict";
    case Verdict::NoImage: return "no image";
    case Verdict::NotRun: return "not run";
    }
    return "?";
}

namespace {

std::string endingText(const Ending& e) {
    if (e.timedOut) return "killed after the timeout";
    if (e.signal) return fmt::format("ended by signal {}", e.signal);
    return fmt::format("exited {}", e.exitStatus);
}

// What the display showed last, for the lines that give no verdict.
std::string lastShown(const CheckpointWatch& w) {
    if (!w.last()) return "no display word in its output";
    const unsigned k = *w.last() >> 24;
    if (w.foreign())
        return fmt::format("display word 0x{:08x} in its output is none this image shows "
                           "(checkpoints 1 to {})",
                           *w.foreign(), w.checkpoints());
    return fmt::format("the display stopped at 0x{:08x}, checkpoint {} of {}", *w.last(), k,
                       w.checkpoints());
}

} // namespace

Judgement judge(const CheckpointWatch& watch, const Ending& ending) {
    Judgement j;
    const bool exitedZero = !ending.timedOut && ending.signal == 0 && ending.exitStatus == 0;
    if (const auto fail = watch.firstFailure()) {
        j.verdict = Verdict::Fail;
        j.checkpoint = *fail >> 24;
        j.detail = fmt::format("checkpoint {} of {} failed (display 0x{:08x}); the command {}",
                               j.checkpoint, watch.checkpoints(), *fail, endingText(ending));
        return j;
    }
    const std::uint32_t passWord = (watch.checkpoints() << 24) | watch.checkpoints();
    const bool shownPass = watch.last() == passWord && !watch.foreign();
    if (watch.last() && !watch.foreign()) j.checkpoint = *watch.last() >> 24;
    if (ending.timedOut) {
        j.verdict = Verdict::TimedOut;
        j.detail = fmt::format("the command was killed after the timeout; {}", lastShown(watch));
    } else if (!exitedZero) {
        j.verdict = Verdict::CommandFailed;
        j.detail = shownPass ? fmt::format("the command {} although the display shows every "
                                           "checkpoint passed (0x{:08x})",
                                           endingText(ending), passWord)
                             : fmt::format("the command {} without a verdict; {}",
                                           endingText(ending), lastShown(watch));
    } else if (shownPass) {
        j.verdict = Verdict::Pass;
        j.detail = fmt::format("all {} checkpoints passed", watch.checkpoints());
    } else {
        j.verdict = Verdict::NoVerdict;
        j.detail = fmt::format("the command exited 0 without a verdict; {}", lastShown(watch));
    }
    return j;
}

} // namespace coretest::regress
