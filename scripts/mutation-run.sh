#!/usr/bin/env bash
# Before a release: many damaged inputs of every format and damaged project files, joined under
# AddressSanitizer and UndefinedBehaviorSanitizer (the normal test run takes fifty of each).
# scripts/mutation-run.sh [MUTANTS_PER_FORMAT, default 2000]
set -euo pipefail
cd "$(dirname "$0")/.."
export REELWELD_MUTANTS=${1:-2000}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
scripts/build.sh sanitize tests_driver tests_avi tests_platform
build/sanitize/tests/tests_driver --gtest_filter='JoinMutation.*'
build/sanitize/tests/tests_avi --gtest_filter='AVIMutation.*'
build/sanitize/tests/tests_platform --gtest_filter='MediaDetMutation.*'
