#include "progress.h"

#include <fmt/format.h>
#include <unistd.h>

#include <cstdio>

namespace coretest::cli {

Progress::Progress(std::string label)
    : label_(std::move(label)), start_(std::chrono::steady_clock::now()),
      terminal_(isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    if (shown_) fmt::print(stderr, "\r\033[K");
}

void Progress::update(std::size_t done, std::size_t total) {
    if (!terminal_ || std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) return;
    shown_ = true;
    fmt::print(stderr, "\r{} {}/{}", label_, done, total);
    std::fflush(stderr);
}

} // namespace coretest::cli
