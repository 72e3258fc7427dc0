#pragma once
// The options that shape a random program, shared by `coretest random` and `coretest regress`
// (--seed is not among them: each command sets seeds its own way).
#include <CLI/CLI.hpp>

#include "coretest/random_program.h"

void addRandomOptions(CLI::App& command, coretest::random::RandomOptions& options);
