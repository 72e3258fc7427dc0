#pragma once
#include <stdexcept>

namespace coretest {

// Bad input from the user (a file, a name, an option): the message is one line that names the
// input and the problem.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace coretest
