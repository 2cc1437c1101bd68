#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz, checks that the committed seed corpus is what its generator
# makes, replays the seeds and every input kept in fuzz/regressions, then runs
# each target for a bounded time. Any finding fails the script.
#
#   scripts/fuzz.sh                 30 seconds a target
#   FUZZ_SECONDS=600 scripts/fuzz.sh
#   FUZZ_TARGETS="reader" scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
read -r -a targets <<<"${FUZZ_TARGETS:-reader volume cutter}"
build=build-fuzz
jobs=$(nproc)

echo "== build the fuzz targets"
cmake -S . -B "$build" -DD88_FUZZ=ON -DD88_BUILD_TESTS=OFF -DD88_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j "$jobs" --target make_fuzz_corpus "${targets[@]/#/fuzz_}"

echo "== the seed corpus is what fuzz/make_corpus.cpp makes"
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
"$build/fuzz/make_fuzz_corpus" "$fresh"
diff -r "$fresh" fuzz/corpus || {
  echo "fuzz: fuzz/corpus differs from what the generator makes (after a change to it or to" >&2
  echo "tests/d88_builder.cpp); remake it: rm -r fuzz/corpus && $build/fuzz/make_fuzz_corpus fuzz/corpus" >&2
  exit 1
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  binary="$build/fuzz/fuzz_$target"
  findings="$build/findings/$target"
  work="$build/corpus/$target" # grows from run to run; never committed
  mkdir -p "$findings" "$work"

  echo "== $target: replay the seeds and the kept crash inputs"
  mapfile -t inputs < <(find "fuzz/corpus/$target" "fuzz/regressions/$target" -type f ! -name '.gitkeep' | sort)
  "$binary" -rss_limit_mb=2048 -timeout=10 "${inputs[@]}" >"$findings/replay.log" 2>&1 || {
    tail -n 40 "$findings/replay.log"
    echo "fuzz: $target: a kept input fails (log: $findings/replay.log)" >&2
    exit 1
  }
  echo "${#inputs[@]} inputs pass"

  echo "== $target: fuzz for $seconds s"
  if ! "$binary" -max_len=65536 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" \
    "fuzz/regressions/$target" >"$findings/run.log" 2>&1; then
    tail -n 60 "$findings/run.log"
    echo "fuzz: $target: finding; input in $findings/ (keep it in fuzz/regressions/$target/)" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec)' "$findings/run.log" || true
done
echo "fuzz: no findings"
