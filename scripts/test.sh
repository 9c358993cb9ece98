#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs the test suite.
# Stages: setup, native build, win64 build, win32 build (the release build:
# built and linked, never run here), CTest on the native build, the Win32
# tests on the win64 build under Wine and Xvfb (scripts/wine-env.sh), the
# ODBC tests against PostgreSQL on both hosts (scripts/odbc-postgres.sh), the same suite
# built with AddressSanitizer + UndefinedBehaviorSanitizer (asan preset), and
# the fuzz targets built with clang-16 (fuzz preset): each replays its corpus
# and runs a short pass with a fixed seed and number of runs. Each stage
# prints its time, and a table of all of them ends the output; any failure
# makes the exit status non-zero.
set -uo pipefail

cd "$(dirname "$0")/.."

# Let ccache share results between clones in different folders (CI builds in a
# fresh clone each time).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"

failed=()
times=()
now() { date +%s.%N; }

# stage NAME COMMAND...: runs one stage and prints how long it took.
stage() {
    local name=$1
    shift
    echo
    echo "==> $name"
    local start
    start=$(now)
    "$@"
    local status=$?
    local seconds
    seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
    if [[ $status -eq 0 ]]; then
        echo "==> $name: done in ${seconds} s"
        times+=("$(printf '%8s s  %s' "$seconds" "$name")")
    else
        echo "==> $name: FAILED (exit $status) after ${seconds} s"
        times+=("$(printf '%8s s  %s  (FAILED)' "$seconds" "$name")")
        failed+=("$name")
    fi
    return $status
}

build() {
    cmake --preset "$1" && cmake --build --preset "$1"
}

notes=()

# The failed tests of a build folder's last CTest run with the end of their
# output, kept for the end of the log.
failed_test_output() {
    local lines
    mapfile -t lines < <(python3 scripts/failed_tests.py "$1")
    notes+=("${lines[@]}")
}

# The Win32 tests under Wine. A test that fails is run once more on its own:
# Wine under a virtual display has rare hiccups of its own (a window that is
# not yet mapped, a server that answers late). A test that passes the second
# time is named at the end of the output as flaky; one that fails twice
# fails the stage.
wine_tests() {
    local run=(scripts/wine-env.sh build/win64 ctest --test-dir build/win64 -L win32 --output-on-failure --timeout 120)
    rm -f build/win64/Testing/Temporary/LastTestsFailed.log
    "${run[@]}" -j2 && return 0
    failed_test_output build/win64
    local first
    first=$(cut -d: -f2 build/win64/Testing/Temporary/LastTestsFailed.log 2>/dev/null | tr '\n' ' ')
    echo "==> running the failed Win32 tests once more: $first"
    if "${run[@]}" --rerun-failed; then
        notes+=("flaky under Wine (failed once, passed when run again): $first")
        return 0
    fi
    return 1
}

total_start=$(now)
stage "setup" scripts/setup.sh || exit 1
stage "build native" build native || { echo "test: the native build failed; no tests run"; exit 1; }
stage "build win64" build win64
stage "build win32" build win32
stage "ctest native" ctest --preset native
# The Win32 tests compile their programs with the native talvenc.
stage "ctest win32 (Wine)" wine_tests
stage "ODBC through PostgreSQL (both hosts)" scripts/odbc-postgres.sh
stage "build asan" build asan && stage "ctest asan" ctest --preset asan
stage "build fuzz" build fuzz && stage "ctest fuzz (corpus replay, short fixed-seed pass)" ctest --preset fuzz

echo
echo "==> stage times"
printf '%s\n' "${times[@]}"
printf '%8s s  %s\n' "$(awk -v a="$total_start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')" "total"

for stage_dir in build/native build/asan; do
    [[ " ${failed[*]} " == *" ctest ${stage_dir#build/} "* ]] && failed_test_output "$stage_dir"
done
if [[ ${#notes[@]} -gt 0 ]]; then
    echo
    echo "==> notes"
    printf '%s\n' "${notes[@]}"
fi

if [[ ${#failed[@]} -gt 0 ]]; then
    echo
    echo "test: failed stages: ${failed[*]}"
    exit 1
fi
exit 0
