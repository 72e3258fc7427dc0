#pragma once
// What a random image's display words say. Checkpoints are numbered 1 to n. After checkpoint k
// passes the program shows (k << 24) | k; at the first failing checkpoint k it shows
// (k << 24) | (k - 1) and stops with the fail lamps; when all passed it shows (n << 24) | n and
// the pass lamps. So the first failing word, or else the last word, and n tell the verdict.
#include <cstdint>
#include <optional>
#include <string>

namespace coretest::regress {

// The display words of one job's output, kept to what the verdict needs: the words are seen one
// by one and only the first failing word and the last word stay.
class CheckpointWatch {
  public:
    explicit CheckpointWatch(unsigned checkpoints) : checkpoints_(checkpoints) {}
    void see(std::uint32_t word);

    unsigned checkpoints() const { return checkpoints_; }
    std::uint64_t words() const { return words_; }
    std::optional<std::uint32_t> last() const { return last_; }
    // The first word that reports a failing checkpoint.
    std::optional<std::uint32_t> firstFailure() const { return firstFailure_; }
    // The first word no run of this image shows: a checkpoint above n, a count that is neither
    // k nor k - 1.
    std::optional<std::uint32_t> foreign() const { return foreign_; }

  private:
    unsigned checkpoints_;
    std::uint64_t words_ = 0;
    std::optional<std::uint32_t> last_, firstFailure_, foreign_;
};

// Reads the display words of a command's output file as a stream, with the line reader and the
// line rule of `coretest decode --file`. Returns an empty string, or one line saying why the
// output could not be read to its end (a line longer than the reader takes, a read error); the
// words before that point are kept.
std::string watchOutput(const std::string& path, CheckpointWatch& watch);

enum class Verdict {
    Pass,          // the display shows every checkpoint passed and the command exited 0
    Fail,          // the display shows a failing checkpoint
    CommandFailed, // the command exited non-zero (or died of a signal) without a failing checkpoint
    TimedOut,      // the command ran past the timeout and was killed
    NoVerdict,     // the command exited 0 but its output shows no verdict
    NoImage,       // the image could not be made
    NotRun,        // never started: the regression stopped first
};

// "pass", "FAIL", "command failed", "timed out", "no verdict", "no image", "not run".
std::string verdictName(Verdict verdict);

// How a job's command ended.
struct Ending {
    bool timedOut = false;
    int exitStatus = 0; // when it exited
    int signal = 0;     // when a signal ended it (0: it exited)
};

struct Judgement {
    Verdict verdict = Verdict::NoVerdict;
    unsigned checkpoint = 0; // Fail: the first failing checkpoint; else the last one passed
    std::string detail;      // one line: what the output and the ending showed
};

// The verdict from the display words and how the command ended. A failing checkpoint is a
// failure however the command ended; a passing display with a non-zero exit or a timeout is
// not a pass (with several loops the display passes at the end of every loop).
Judgement judge(const CheckpointWatch& watch, const Ending& ending);

} // namespace coretest::regress
