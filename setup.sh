#!/usr/bin/env bash
# Builds the ROM and the tools (installing missing Debian packages), then runs the ROM on the
# reference core with the short pause.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
build/cli/coretest run --switch 1
