#include "coretest/regress_engine.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "coretest/image.h"

extern char** environ;

namespace coretest::regress {

namespace {

using Clock = std::chrono::steady_clock;

// The signals the engine takes itself while it runs: a child's end, and a request to stop.
sigset_t engineSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int s : {SIGCHLD, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, s);
    return set;
}

// Blocks the engine's signals in this thread for its lifetime, so that they wait for
// sigtimedwait instead of ending the process or needing a handler.
class SignalBlock {
  public:
    SignalBlock() {
        const sigset_t set = engineSignals();
        pthread_sigmask(SIG_BLOCK, &set, &saved_);
    }
    ~SignalBlock() {
        // A child's end still pending is of no use to whoever runs after the engine.
        const sigset_t chld = [] {
            sigset_t s;
            sigemptyset(&s);
            sigaddset(&s, SIGCHLD);
            return s;
        }();
        const timespec zero{0, 0};
        while (sigtimedwait(&chld, nullptr, &zero) == SIGCHLD) {
        }
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

  private:
    sigset_t saved_{};
};

// posix_spawn's attribute and file-action objects, destroyed on every path.
struct SpawnSetup {
    posix_spawnattr_t attr{};
    posix_spawn_file_actions_t actions{};
    SpawnSetup() {
        posix_spawnattr_init(&attr);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Starts `sh -c command` as the leader of a new process group, standard output and standard
// error to the output file, standard input from /dev/null, with the signals as the engine's
// caller had them before it blocked its own.
pid_t spawnJob(const Job& job) {
    const int out = ::open(job.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        throw InputError(fmt::format("'{}': cannot write the output of seed {} ({})",
                                     job.output.string(), job.seed, std::strerror(errno)));
    SpawnSetup s;
    posix_spawn_file_actions_addopen(&s.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&s.actions, out, 1);
    posix_spawn_file_actions_adddup2(&s.actions, out, 2);
    sigset_t none, defaults = engineSignals();
    sigemptyset(&none);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&s.attr, &none);
    posix_spawnattr_setsigdefault(&s.attr, &defaults);
    posix_spawnattr_setpgroup(&s.attr, 0);
    posix_spawnattr_setflags(&s.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                          POSIX_SPAWN_SETSIGDEF);
    std::string shell = "sh", dashC = "-c", command = job.command;
    char* argv[] = {shell.data(), dashC.data(), command.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/bin/sh", &s.actions, &s.attr, argv, environ);
    ::close(out);
    if (rc != 0)
        throw InputError(fmt::format("seed {}: cannot start /bin/sh for its command ({})", job.seed,
                                     std::strerror(rc)));
    return pid;
}

struct Running {
    std::size_t index = 0;
    pid_t pid = 0;
    unsigned checkpoints = 0;
    Clock::time_point start, termSent;
    bool timedOut = false, killed = false;
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void removeQuietly(const std::filesystem::path& p) {
    std::error_code ignored;
    if (!p.empty()) std::filesystem::remove(p, ignored);
}

} // namespace

std::size_t Report::count(Verdict v) const {
    return static_cast<std::size_t>(std::count_if(
        results.begin(), results.end(), [v](const JobResult& r) { return r.verdict == v; }));
}

Report runJobs(const std::vector<Job>& jobs, const MakeImage& makeImage,
               const DescribeCheckpoint& describe, const EngineOptions& options,
               const OnResult& onResult) {
    if (options.jobs == 0) throw InputError("a regression runs at least one job at a time");
    const Clock::time_point begin = Clock::now();
    const SignalBlock block;
    Report report;
    report.results.resize(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        JobResult& r = report.results[i];
        r.seed = jobs[i].seed;
        r.command = jobs[i].command;
        r.reproduce = jobs[i].reproduce;
        r.detail = "not started: the regression stopped before";
    }
    std::vector<Running> running;
    std::size_t next = 0, done = 0;
    bool stop = false;

    // Keeps the files of a seed that did not pass, removes those of a pass.
    const auto settle = [&](std::size_t index) {
        const Job& job = jobs[index];
        JobResult& r = report.results[index];
        if (r.verdict == Verdict::Pass && !options.keepPassing) {
            for (const auto& p : {job.rom, job.hex, job.output})
                removeQuietly(p);
            for (const auto& p : job.files)
                removeQuietly(p);
        } else if (r.verdict != Verdict::NoImage) {
            r.output = job.output.string();
            r.rom = job.rom.string();
        }
        if (r.verdict != Verdict::Pass && !options.keepGoing) stop = true;
        ++done;
        if (onResult) onResult(r, done, jobs.size());
    };

    const auto reap = [&](Running& run) {
        // The leader has ended; what it left behind in its group goes with it.
        ::kill(-run.pid, SIGKILL);
        int status = 0;
        while (::waitpid(run.pid, &status, 0) < 0 && errno == EINTR) {
        }
        JobResult& r = report.results[run.index];
        const Job& job = jobs[run.index];
        r.seconds = secondsSince(run.start);
        r.ending.timedOut = run.timedOut;
        if (WIFSIGNALED(status)) r.ending.signal = WTERMSIG(status);
        if (WIFEXITED(status)) r.ending.exitStatus = WEXITSTATUS(status);
        CheckpointWatch watch(run.checkpoints);
        const std::string unread = watchOutput(job.output.string(), watch);
        Judgement j = judge(watch, r.ending);
        if (!unread.empty() && j.verdict != Verdict::Fail) {
            if (j.verdict == Verdict::Pass) j.verdict = Verdict::NoVerdict;
            j.detail += fmt::format("; its output was not read to the end: {}", unread);
        }
        if (report.interrupted && j.verdict != Verdict::Fail && j.verdict != Verdict::Pass) {
            j.verdict = Verdict::NotRun;
            j.detail = "interrupted: the regression was asked to stop and killed the command";
        }
        r.verdict = j.verdict;
        r.checkpoint = j.checkpoint;
        r.detail = j.detail;
        r.lastWord = watch.last();
        r.displayWords = watch.words();
        if (r.verdict == Verdict::Fail && describe) {
            try {
                r.place = describe(job, r.checkpoint);
            } catch (const std::exception& e) {
                r.place = fmt::format("(checkpoint {} not found in the image: {})", r.checkpoint,
                                      e.what());
            }
        }
        settle(run.index);
    };

    const auto killAll = [&](int signal) {
        for (const Running& run : running)
            ::kill(-run.pid, signal);
    };

    try {
        for (;;) {
            while (!stop && !report.interrupted && running.size() < options.jobs &&
                   next < jobs.size()) {
                const std::size_t index = next++;
                const Job& job = jobs[index];
                JobResult& r = report.results[index];
                unsigned checkpoints = 0;
                try {
                    checkpoints = makeImage(job);
                    if (checkpoints < 1 || checkpoints > 255)
                        throw InputError(fmt::format("the image has {} checkpoints; a display "
                                                     "word holds 1 to 255",
                                                     checkpoints));
                } catch (const std::exception& e) {
                    r.verdict = Verdict::NoImage;
                    r.detail = fmt::format("the image was not made: {}", e.what());
                    settle(index);
                    continue;
                }
                r.checkpoints = checkpoints;
                Running run;
                run.index = index;
                run.checkpoints = checkpoints;
                run.start = Clock::now();
                run.pid = spawnJob(job);
                running.push_back(run);
            }
            if (running.empty()) break;

            const sigset_t set = engineSignals();
            const timespec wait{0, 20'000'000};
            const int sig = sigtimedwait(&set, nullptr, &wait);
            if ((sig == SIGINT || sig == SIGTERM || sig == SIGHUP) && !report.interrupted) {
                report.interrupted = true;
                killAll(SIGKILL);
            }
            for (auto it = running.begin(); it != running.end();) {
                siginfo_t info{};
                if (::waitid(P_PID, static_cast<id_t>(it->pid), &info,
                             WEXITED | WNOHANG | WNOWAIT) == 0 &&
                    info.si_pid == it->pid) {
                    reap(*it);
                    it = running.erase(it);
                } else {
                    ++it;
                }
            }
            const Clock::time_point now = Clock::now();
            for (Running& run : running) {
                if (options.timeout.count() > 0 && !run.timedOut &&
                    now - run.start >= options.timeout) {
                    run.timedOut = true;
                    run.termSent = now;
                    ::kill(-run.pid, SIGTERM);
                } else if (run.timedOut && !run.killed && now - run.termSent >= options.killGrace) {
                    run.killed = true;
                    ::kill(-run.pid, SIGKILL);
                }
            }
        }
    } catch (...) {
        killAll(SIGKILL);
        for (const Running& run : running) {
            int status = 0;
            ::waitpid(run.pid, &status, 0);
        }
        throw;
    }
    report.stopped = next < jobs.size() && !report.interrupted;
    report.seconds = secondsSince(begin);
    return report;
}

std::string shellQuoted(std::string_view text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::strchr("_-./+=:,@%", c) != nullptr;
    });
    if (plain) return std::string(text);
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

void checkSimTemplate(std::string_view simTemplate) {
    if (simTemplate.find("{rom}") == std::string_view::npos &&
        simTemplate.find("{hex}") == std::string_view::npos)
        throw InputError(fmt::format("--sim '{}': the command names no image; put {{rom}} (the "
                                     "ELF image) or {{hex}} (its $readmemh export) where the "
                                     "simulator takes it",
                                     simTemplate.substr(0, 200)));
}

bool usesHex(std::string_view simTemplate) {
    return simTemplate.find("{hex}") != std::string_view::npos;
}

std::string expandSim(std::string_view simTemplate, const std::string& rom, const std::string& hex,
                      std::uint64_t seed) {
    std::string out;
    for (std::size_t i = 0; i < simTemplate.size();) {
        const std::string_view rest = simTemplate.substr(i);
        if (rest.starts_with("{rom}")) {
            out += shellQuoted(rom);
            i += 5;
        } else if (rest.starts_with("{hex}")) {
            out += shellQuoted(hex);
            i += 5;
        } else if (rest.starts_with("{seed}")) {
            out += std::to_string(seed);
            i += 6;
        } else {
            out += simTemplate[i++];
        }
    }
    return out;
}

} // namespace coretest::regress
