#!/usr/bin/env bash
# The table benchmark: N records (100,000 by default) appended to a new table
# with a memo for every tenth, then a full scan reading every field and memo;
# beside it the same work through python3-dbf. Writes the table to standard
# output and to bench/tables/results.md. See bench/README.md.
#
#   bench/tables/run.sh            # 100,000 records
#   N=10000 bench/tables/run.sh    # smaller
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO_DIR="$(cd "$HERE/../.." && pwd)"
BUILD_DIR="${BENCH_BUILD_DIR:-$REPO_DIR/bench/build}"
N="${N:-100000}"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/talven-table-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

log() { printf 'bench/tables: %s\n' "$*" >&2; }

log "building the runtime (Release) in ${BUILD_DIR#$REPO_DIR/}"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$REPO_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVEN_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" --target talven talvenc -j "${JOBS:-2}" >/dev/null
for p in append scan; do
    "$BUILD_DIR/talvenc" "$HERE/$p.tvs" -o "$WORK/$p.TVC" >/dev/null
done

exec /usr/bin/python3 - "$BUILD_DIR/talven" "$WORK" "$N" "$HERE" <<'PY'
import resource, subprocess, sys
talven, work, n, here = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]

def run(*args):
    """Processor seconds of one child process, and its output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(list(args), cwd=work, capture_output=True, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{args} failed: {done.stderr}")
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime), done.stdout.split()

t_append, out = run(talven, "append.TVC", str(n))
if out[0] != str(n):
    sys.exit(f"the runtime appended {out[0]} of {n} records")
t_scan, out = run(talven, "scan.TVC")
expected_sum = sum(i * 37 % 20000 for i in range(1, n + 1))
if out[:2] != [str(n), str(expected_sum)]:
    sys.exit(f"the runtime's scan gave {out}")
p_append, _ = run("/usr/bin/python3", f"{here}/peer.py", work, str(n), "append")
p_scan, out = run("/usr/bin/python3", f"{here}/peer.py", work, str(n), "scan")
if out[0] != str(n):
    sys.exit(f"python3-dbf scanned {out}")
ms = lambda s: f"{s * 1000:.0f}"
rows = [
    (f"append {n} records (a memo for every tenth) and close", ms(t_append), ms(p_append)),
    ("full scan: every field and memo of every record", ms(t_scan), ms(p_scan)),
]
lines = [f"# Table benchmark, {n} records", "",
         "Processor time in milliseconds, each figure one process (start-up included;",
         "for python3-dbf, Python's start and the import of dbf too).", "",
         "| step | runtime | python3-dbf |", "|---|---:|---:|"]
lines += [f"| {a} | {b} | {c} |" for a, b, c in rows]
text = "\n".join(lines) + "\n"
print(text)
open(f"{here}/results.md", "w").write(text)
PY
