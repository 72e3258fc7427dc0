#!/usr/bin/env bash
# Long fuzz runs: builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) in build-fuzz and runs each for SECONDS (default 600) from its seed corpus in
# fuzz/corpus/TARGET. New inputs collect in build-fuzz/work-TARGET; a crash, leak, timeout or
# memory blow-up is written to build-fuzz/TARGET-crash-... (or -timeout-, -oom-) and stops that
# target. Add a fixed finding to fuzz/corpus/TARGET so that the test run replays it.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets: image numbers fault_selection trace compare cosim_api
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(image numbers fault_selection trace compare cosim_api)
cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "fuzz.sh: clang++ not found; scripts/install-deps.sh installs it" >&2
  exit 2
fi
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORETEST_SANITIZE=ON -DCORETEST_FUZZ=ON -DCORETEST_BENCHES=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/%/_fuzzer}"
status=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/work-$t"
  echo "== $t: $seconds s"
  # Traces up to 4 MiB, so that ~100 k records of repeated and crowded @SEQ are reachable.
  max_len=()
  [[ $t == trace || $t == compare ]] && max_len=(-max_len=4194304)
  if ! build-fuzz/fuzz/"${t}"_fuzzer -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "${max_len[@]}" \
      -print_final_stats=1 -artifact_prefix="build-fuzz/$t-" "build-fuzz/work-$t" "fuzz/corpus/$t" \
      2>"build-fuzz/$t.log"; then
    echo "$t: finding, see build-fuzz/$t.log" >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb" \
    "build-fuzz/$t.log" || true
  echo "corpus: $(find "build-fuzz/work-$t" -type f | wc -l) inputs"
done
exit $status
