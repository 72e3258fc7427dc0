#pragma once
// A progress line on standard error for long work: shown only on a terminal and only once the
// work has taken more than a second; erased when the work is done.
#include <chrono>
#include <cstddef>
#include <string>

namespace coretest::cli {

class Progress {
  public:
    explicit Progress(std::string label);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void update(std::size_t done, std::size_t total);

  private:
    std::string label_;
    std::chrono::steady_clock::time_point start_;
    bool terminal_;
    bool shown_ = false;
};

} // namespace coretest::cli
