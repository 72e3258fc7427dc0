#include "coretest/input_error.h"
#include "second_core.h"

namespace coretest::cli {

CoreRunner unicornRunner() {
    throw InputError("--core unicorn: this build has no Unicorn core (install libunicorn-dev and "
                     "build again)");
}

} // namespace coretest::cli
