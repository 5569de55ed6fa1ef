#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh              RelWithDebInfo build in build/
#   scripts/test.sh --sanitize   Debug build with AddressSanitizer and UBSan in build-asan/
set -euo pipefail

# shellcheck source=SCRIPTDIR/run.sh
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/run.sh"

sanitize=0
for arg in "$@"; do
    case "$arg" in
    --sanitize) sanitize=1 ;;
    -h | --help)
        sed -n '2,4s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
        exit 0
        ;;
    *)
        echo "error: unknown argument '$arg' (try --help)" >&2
        exit 2
        ;;
    esac
done

install_missing_packages

if [[ $sanitize -eq 1 ]]; then
    build="$ROOT/build-asan"
    # Leaks are only tolerated inside system libraries; see tests/lsan.supp.
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:fast_unwind_on_malloc=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
    configure "$build" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DENABLE_SANITIZERS=ON \
        -DBUILD_BENCHMARKS=OFF
else
    build="$ROOT/build"
    configure "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DENABLE_SANITIZERS=OFF
fi

say "Building $build with $(job_count) jobs"
cmake --build "$build" -j "$(job_count)"

# Benchmarks are measured on their own, never as part of the test run.
say "Running the tests in $build"
cd "$build"
ctest --output-on-failure --no-tests=error --label-exclude bench
say "All tests passed ($build)"
