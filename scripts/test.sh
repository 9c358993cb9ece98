#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs the test suite.
# Stages: setup, native build, win64 build, win32 build (the Windows ones build
# the portable core only for now), then CTest on the native build. Each stage
# prints its time; any failure makes the exit status non-zero, and the output
# ends with CTest's summary.
set -uo pipefail

cd "$(dirname "$0")/.."

# Let ccache share results between clones in different folders (CI builds in a
# fresh clone each time).
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"

failed=()
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
    else
        echo "==> $name: FAILED (exit $status) after ${seconds} s"
        failed+=("$name")
    fi
    return $status
}

build() {
    cmake --preset "$1" && cmake --build --preset "$1"
}

stage "setup" scripts/setup.sh || exit 1
stage "build native" build native || { echo "test: the native build failed; no tests run"; exit 1; }
stage "build win64 (core only)" build win64
stage "build win32 (core only)" build win32

if [[ ${#failed[@]} -gt 0 ]]; then
    echo
    echo "test: failed stages: ${failed[*]}"
fi

echo
echo "==> ctest native (its summary follows)"
ctest --preset native
ctest_status=$?

if [[ $ctest_status -ne 0 || ${#failed[@]} -gt 0 ]]; then
    exit 1
fi
exit 0
