#!/usr/bin/env bash
# Runs one fuzz target for CTest:
#   run_fuzz.sh replay WORK TARGET [OPTIONS...] -- CORPUS...   every input once
#   run_fuzz.sh fuzz   WORK TARGET [OPTIONS...] -- CORPUS...   a fuzzing pass
# New inputs and crash files go to WORK (emptied first), never into the
# corpora in the source tree. The exit status is libFuzzer's: non-zero when
# an input crashed, leaked, timed out or tripped a sanitizer.
set -euo pipefail

mode=$1 work=$2 target=$3
shift 3
options=()
while [[ $# -gt 0 && $1 != -- ]]; do
    options+=("$1")
    shift
done
[[ ${1:-} == -- ]] && shift
corpora=("$@")

rm -rf "$work/$mode"
mkdir -p "$work/$mode/new"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
# Readable stack traces when something is found.
[[ -x /usr/lib/llvm-16/bin/llvm-symbolizer ]] && export PATH="/usr/lib/llvm-16/bin:$PATH"

case $mode in
replay) options+=(-runs=0) ;;
# No re-reading of the corpus folder on a timer: the same seed then gives
# the same inputs.
fuzz) options+=(-reload=0) ;;
*) echo "run_fuzz.sh: unknown mode $mode" >&2; exit 2 ;;
esac

# libFuzzer learns from compared values and the stack depth, and both hold
# addresses: without address randomisation the same seed makes the same
# inputs on the same machine and folder.
norandom=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom=(setarch "$(uname -m)" -R)
else
    echo "run_fuzz.sh: cannot turn address randomisation off; the pass may vary between runs"
fi

exec "${norandom[@]}" "$target" "${options[@]}" -artifact_prefix="$work/$mode/" "$work/$mode/new" "${corpora[@]}"
