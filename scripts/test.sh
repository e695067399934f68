#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build, once under AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the test that caused it), and the threaded parts
# once more under ThreadSanitizer. Checks the layering and the install too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
jobs=$(nproc)

scripts/check-layering.sh

scripts/build.sh release
(cd build/release && ctest --output-on-failure -j "$jobs")
scripts/check-install.sh build/release

# Tests named *Large* write gigabytes; the normal build covers them.
scripts/build.sh sanitize
(cd build/sanitize && ctest --output-on-failure -j "$jobs" -E Large)

# The recompressing engine's worker threads and the describing of a list on every core under
# ThreadSanitizer (the windows run on one thread).
scripts/build.sh tsan tests_render tests_core tests_remux
export TSAN_OPTIONS=suppressions=$PWD/tests/tsan.supp
build/tsan/tests/tests_render
build/tsan/tests/tests_core --gtest_filter='DescribeFiles.*'
# The copy road reads its inputs on every core before it writes.
build/tsan/tests/tests_remux --gtest_filter='RemuxWeld.*'
