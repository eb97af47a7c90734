#!/usr/bin/env bash
# Builds every libFuzzer target with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, libraries instrumented) in build/fuzz and runs
# each for a short time over its checked-in seed corpus in fuzz/corpus/<target>.
# New inputs go to a scratch corpus under build/fuzz; the checked-in one is
# only read. Fails when a target does not build or finds a crash, leak, hang
# or wrong answer; the input is left in build/fuzz/artifacts/.
# Usage: scripts/fuzz-smoke.sh [seconds per target, default 45]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${KORVEX_FUZZ_SECONDS:-45}}"
build=build/fuzz
targets=(capability_set_fuzzer profile_fuzzer vscanner_fuzzer resource_script_fuzzer
         hostile_scanner_fuzzer triplet_fuzzer escl_request_fuzzer)

# libFuzzer comes with clang, which the other builds do not need.
if ! command -v clang++ >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang
fi

echo "== fuzz: configure and build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=OFF -DKORVEX_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -O1 -g" \
  >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
  scratch="$build/corpus/$target"
  mkdir -p "$scratch"
  echo "== fuzz: $target for ${seconds}s"
  if ! "$build/bin/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$scratch" "fuzz/corpus/$target" >"$build/$target.log" 2>&1; then
    echo "fuzz-smoke: $target failed; see $build/$target.log and $build/artifacts/" >&2
    tail -n 30 "$build/$target.log" >&2
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^Done " "$build/$target.log" || true
done
exit $status
