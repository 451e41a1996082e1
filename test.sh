#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite
# (build/), then builds the tests again under AddressSanitizer and UBSan and
# runs them there (build-asan/). Any sanitizer report fails the run. With
# CI=true a compiler warning in the project's own code fails the build.
# Arguments are handed to both ctest runs.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs="$(nproc)"
werror=OFF
# CI builds without debug information: the same code and checks, built in
# less time (the ci folder is its own, so a developer's build/ keeps -g).
build=build
flags=()
if [ "${CI:-}" = "true" ]; then
  werror=ON
  build=build-ci
  flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG")
fi
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORVANE_WERROR="$werror" "${flags[@]}"
cmake --build "$build" -j"$jobs"
(cd "$build" && ctest --output-on-failure -j"$jobs" --timeout 600 "$@")

# The sanitizer run. Leak detection is off (Qt keeps allocations for the
# whole process). An allocation too large to make returns null as it does
# without the sanitizer (the start-up check of a settings file that Qt cannot
# load relies on its reader failing that way in a child process). UBSan stops the program at its first report (shown in the
# test's output); AddressSanitizer's reports are written to
# build-asan/sanitizer/, so one from a program that a test starts is not lost
# even when the test does not look at that program's exit status.
# -O1 -g1 keeps the build quick and the reports' stacks readable.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLORVANE_WERROR="$werror" \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
      -DLORVANE_SANITIZE=ON -DLORVANE_BENCH=OFF
cmake --build build-asan -j"$jobs"
reports="$PWD/build-asan/sanitizer"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
(cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 900 "$@") || status=$?
# A file holding only the warning that an allocation returned null (see
# allocator_may_return_null above) is no report.
found=()
for report in "$reports"/*; do
  if [ -f "$report" ] && grep -qE 'ERROR: |SUMMARY: |runtime error' "$report"; then
    found+=("$report")
  fi
done
if [ "${#found[@]}" -gt 0 ]; then
  echo "Sanitizer reports:"
  for report in "${found[@]}"; do
    echo "== $report"
    cat "$report"
  done
  status=1
fi
exit "$status"
