#!/usr/bin/env bash
# Builds everything with AddressSanitizer (with LeakSanitizer) and UndefinedBehaviorSanitizer in
# build-asan and runs the whole ctest suite there: the behaviour suites, the tools' tests and the
# end-to-end runs of the real window. The first report of any sanitizer fails the test it ran in.
#   scripts/sanitize.sh [ctest options]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_ASAN_BUILD_DIR:-$root/build-asan}
jobs=${TARVEL_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_SANITIZE=ON -DTARVEL_WERROR=ON >/dev/null
cmake --build "$build" -j"$jobs"
asan=halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
# Everything on the headless back end and the tools, with leak checking.
ASAN_OPTIONS=$asan:detect_leaks=1 ctest --output-on-failure -j"$jobs" -E '^e2e[.]' "$@"
# The real window under Xvfb, with every address and undefined-behaviour check but no leak check
# at exit: by then SDL has unloaded the libraries it opened as it ran (libdbus, and Mesa's GL driver
# in the accelerated run), whose own allocations then show as leaks from an unknown module that no
# suppression can name. Our code's leaks are caught by the headless runs of the whole program above.
ASAN_OPTIONS=$asan:detect_leaks=0 ctest --output-on-failure -R '^e2e[.]' "$@"
