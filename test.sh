#!/usr/bin/env bash
# Builds with the address and undefined-behaviour sanitizers and runs every test, the fuzz targets'
# short runs among them. clang builds the tests (several times faster than GCC here, and the one
# compiler that builds libFuzzer targets, so every library is compiled once); setup.sh builds the
# release with GCC. Prints the build and test times at the end.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cxx=$(command -v clang++ || command -v clang++-14)
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
start=$(date +%s)
cmake -S . -B build-test "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORETEST_SANITIZE=ON -DCORETEST_FUZZ=ON \
  -DCORETEST_BENCHES=OFF >/dev/null
cmake --build build-test -j"$(nproc)"
built=$(date +%s)
status=0
ctest --test-dir build-test --output-on-failure -j"$(nproc)" || status=$?
done=$(date +%s)
echo "test.sh: build $((built - start)) s, tests $((done - built)) s, total $((done - start)) s"
exit $status
