#pragma once
// The second core that `--core unicorn` names, where the build has one.
#include "coretest/run.h"

namespace coretest::cli {

// The Unicorn core's runner; throws InputError in a build without Unicorn.
CoreRunner unicornRunner();

} // namespace coretest::cli
