#include "coretest/unicorn_core.h"
#include "second_core.h"

namespace coretest::cli {

CoreRunner unicornRunner() {
    return runOnUnicorn;
}

} // namespace coretest::cli
