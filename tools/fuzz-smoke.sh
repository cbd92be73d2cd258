#!/usr/bin/env bash
# Short libFuzzer run of the scan readers (CAD4, HUBER-HASYLAB, ".obs", plain scans), of
# the whole input file (seeded with fuzz/corpus), of the command line and of the CIF converter
# (seeded with the test CIFs in tests/data/cif). Needs clang with libFuzzer.
#   tools/fuzz-smoke.sh [seconds per target, default 20; the input file gets three times as long]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
if ! command -v clang++ >/dev/null; then
  echo "fuzz-smoke: clang++ not found, fuzzing skipped"
  exit 0
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKAVRO_FUZZ=ON -DKAVRO_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_cad4 fuzz_huber fuzz_obs fuzz_plain fuzz_input fuzz_options fuzz_cif
work="$(mktemp -d)"
trap 'rm -rf "$work" /tmp/kavro_fuzz_*' EXIT
for kind in cad4 huber obs plain input options cif; do
  mkdir -p "$work/$kind"
  duration="$seconds"
  [[ "$kind" == input ]] && duration=$((3 * seconds))
  seeds="$PWD/fuzz/corpus/$kind"
  [[ "$kind" == cif ]] && seeds="$PWD/tests/data/cif"
  (cd "$work" && "$OLDPWD/build-fuzz/fuzz/fuzz_$kind" "$work/$kind" "$seeds" \
     -max_total_time="$duration" -max_len=20000 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 2>&1 |
     grep -E "stat::number_of_executed_units|ERROR|SUMMARY") || true
  if ls "$work"/crash-* "$work"/timeout-* "$work"/oom-* >/dev/null 2>&1; then
    echo "fuzz_$kind found a failing input:" "$work"/crash-* "$work"/timeout-* "$work"/oom-* 2>/dev/null
    exit 1
  fi
done

