#pragma once
// A file descriptor opened read-only and closed with its owner, for the C libraries that read
// from a descriptor (libelf, libdw).
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace romtest {

class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {}
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; } // negative when the file could not be opened

  private:
    int fd_;
};

} // namespace romtest
