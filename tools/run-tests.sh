#!/usr/bin/env bash
# Builds kavro-99 and runs the whole test suite.
#   tools/run-tests.sh              release build in build/, with the benchmarks
#   tools/run-tests.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
if [[ "${1:-}" == "--sanitize" ]]; then
  dir=build-sanitize
  options=(-DCMAKE_BUILD_TYPE=Debug -DKAVRO_SANITIZE=ON)
else
  dir=build
  options=(-DCMAKE_BUILD_TYPE=Release -DKAVRO_BUILD_BENCH=ON)  # the benchmarks are built, so that they keep compiling
fi
cmake -S . -B "$dir" -DKAVRO_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
