#!/usr/bin/env bash
# Builds the project and runs every check: all tests in a normal build with
# warnings as errors, all tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, clang-tidy over the programs' own sources, the
# install, manual pages and Debian package (package_check.sh), the Windows
# cross-build run under Wine (windows_check.sh), and the fuzz targets
# (fuzz.sh: corpus replay and a short run of each).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== build and test (warnings as errors)"
cmake -S . -B build-check -DD88_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-check -j "$jobs"
ctest --test-dir build-check --output-on-failure -j "$jobs"

echo "== build the benchmark tools (run them with scripts/bench.sh)"
cmake -S . -B build-check -DD88_BUILD_BENCH=ON >/dev/null
cmake --build build-check -j "$jobs"

echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -DD88_WERROR=ON -DD88_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== clang-tidy"
mapfile -t sources < <(git ls-files 'd88/*.cpp' 'platform/*.cpp' 'sectorcut/*.cpp' 'dirpull/*.cpp' 'd88info/*.cpp' \
  ':!platform/platform_windows.cpp') # checked against the Windows headers by windows_check.sh
clang-tidy -p build-check --quiet "${sources[@]}"
echo "clang-tidy: no findings in ${#sources[@]} files"

echo "== install, manual pages and Debian package"
./scripts/package_check.sh

echo "== Windows cross-build under Wine"
D88_NATIVE_BUILD=build-check ./scripts/windows_check.sh

echo "== fuzz: seed corpus, kept crash inputs, and a bounded run of each target"
./scripts/fuzz.sh
