#!/usr/bin/env bash
# The long fuzzing run, outside the test command:
#
#   fuzz/explore.sh [-t SECONDS] [-j PARALLEL] [TARGET...]
#
# TARGET is loader, interpreter, differential, fetch, dbf, ndx or bmp
# (default: all). Each
# target runs for SECONDS (default 600) with libFuzzer's default random seed,
# on the kept corpus fuzz/corpus/<target>/ and, for the program targets, the
# seed corpus the fuzz build makes (build/fuzz/fuzz/seeds/<target>/), with
# its dictionary. Up to
# PARALLEL targets (default 1) run at the same time, each in one process.
# Afterwards the corpus is minimised (libFuzzer's -merge) to the inputs that
# reach something the seeds do not, so that it stays small enough to keep in
# the repository. Inputs that crash, leak, trip a
# sanitizer or take over a second are saved as fuzz/findings/<target>/
# crash-*, leak-*, timeout-* ...; the run goes on after a finding (libFuzzer's
# fork mode with one worker). The logs are in fuzz/explore-logs/ (not kept in
# git); at the end the script prints per target the executions, and the
# coverage (cov) and features (ft) that one pass over the merged corpus
# reaches.
#
# Needs the fuzz build: scripts/setup.sh, then
#   cmake --preset fuzz && cmake --build --preset fuzz
# (explore.sh builds it when it is missing).
set -uo pipefail

cd "$(dirname "$0")/.."
seconds=600
parallel=1
while getopts "t:j:h" opt; do
    case $opt in
    t) seconds=$OPTARG ;;
    j) parallel=$OPTARG ;;
    *) sed -n '2,20p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(loader interpreter differential fetch dbf ndx bmp)

build=build/fuzz
missing=0
for target in "${targets[@]}"; do
    [[ -x $build/fuzz_$target ]] || missing=1
done
if [[ $missing -eq 1 || ! -d $build/fuzz/seeds ]]; then
    cmake --preset fuzz && cmake --build --preset fuzz || exit 1
fi

declare -A max_len=([loader]=65536 [interpreter]=16384 [differential]=16384 [fetch]=300 [dbf]=65536 [ndx]=65536
                    [bmp]=65536)
# Longest input kept in the corpus in git (long program files add little
# over the seeds but weigh a lot).
declare -A keep_len=([loader]=4096 [interpreter]=16384 [differential]=16384 [fetch]=300 [dbf]=8192 [ndx]=8192
                     [bmp]=8192)
# The differential target takes the interpreter's input: its seeds and dictionary.
declare -A input_of=([differential]=interpreter)
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Readable stack traces in the findings' reports.
[[ -x /usr/lib/llvm-16/bin/llvm-symbolizer ]] && export PATH="/usr/lib/llvm-16/bin:$PATH"

explore() {
    local target=$1
    local input=${input_of[$target]:-$target}
    local corpus=fuzz/corpus/$target seeds=$build/fuzz/seeds/$input
    local findings=fuzz/findings/$target log=fuzz/explore-logs/$target.log
    # The file-format targets have no seeds made from programs.
    [[ -d $seeds ]] || seeds=$(mktemp -d)
    mkdir -p "$corpus" "$findings" fuzz/explore-logs
    echo "explore: $target for $seconds s (log: $log)"
    # -fork: a crash is saved and the run goes on with the next input.
    "$build/fuzz_$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -timeout=1 -rss_limit_mb=2048 -dict="fuzz/$input.dict" -print_final_stats=1 \
        -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
        -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1
    # Keep only the inputs that add coverage to what the seeds (made anew by
    # every build) already reach, and none longer than keep_len bytes.
    local merged candidates
    merged=$(mktemp -d)
    candidates=$(mktemp -d)
    cp -r "$seeds"/. "$merged/"
    find "$corpus" -type f -size -$((keep_len[$target] + 1))c -exec cp {} "$candidates/" \;
    if "$build/fuzz_$target" -merge=1 -max_len="${max_len[$target]}" -timeout=10 "$merged" "$candidates" \
        >"$log.merge" 2>&1; then
        (cd "$seeds" && ls) | (cd "$merged" && xargs rm -f)
        rm -rf "$corpus"
        mv "$merged" "$corpus"
    else
        rm -rf "$merged"
        echo "explore: $target: merging the corpus failed; kept it as it was (see $log.merge)"
    fi
    rm -rf "$candidates"
    # One pass over seeds and corpus: libFuzzer's cov and ft of everything kept.
    "$build/fuzz_$target" -runs=0 -max_len="${max_len[$target]}" -timeout=10 "$corpus" "$seeds" \
        >"$log.replay" 2>&1
}

running=0
for target in "${targets[@]}"; do
    if [[ -z ${max_len[$target]:-} ]]; then
        echo "explore: unknown target $target (loader, interpreter, differential, fetch, dbf, ndx, bmp)" >&2
        exit 2
    fi
    explore "$target" &
    running=$((running + 1))
    if [[ $running -ge $parallel ]]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

for target in "${targets[@]}"; do
    log=fuzz/explore-logs/$target.log
    echo
    echo "== $target: $(ls fuzz/corpus/$target | wc -l) inputs in the corpus beside the seeds"
    # The fork-mode status line: executions so far, coverage, findings.
    grep -E "^#[0-9]+: cov:" "$log" | tail -1
    # cov and ft of the whole corpus after the merge.
    grep -E "^#[0-9]+[[:space:]]+INITED" "$log.replay" | tail -1
    found=$(ls "fuzz/findings/$target" 2>/dev/null | wc -l)
    echo "findings: $found (fuzz/findings/$target)"
done
