#!/usr/bin/env bash
# The index benchmark: a table of N records (100,000 by default), MAKEINDEX
# on its character field and on its numeric field, N exact @DBSEEKs, a full
# scan in index order; beside it the same keys sorted and searched in C++
# with the standard library, the practical limit. Writes the table to
# standard output and to bench/indexes/results.md. See bench/README.md.
#
# Then the interoperability check of the test suite runs at the same size:
# a table with two indexes takes appends, changed keys, deletions, a pack and
# a re-index, and Perl's XBase index reader must agree with it (CHECK=0
# leaves it out).
#
#   bench/indexes/run.sh            # 100,000 records
#   N=10000 bench/indexes/run.sh    # smaller
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO_DIR="$(cd "$HERE/../.." && pwd)"
BUILD_DIR="${BENCH_BUILD_DIR:-$REPO_DIR/bench/build}"
N="${N:-100000}"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/talven-ndx-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

log() { printf 'bench/indexes: %s\n' "$*" >&2; }

log "building the runtime (Release) in ${BUILD_DIR#$REPO_DIR/}"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$REPO_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVEN_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" --target talven talvenc -j "${JOBS:-2}" >/dev/null
g++ -std=c++20 -O2 -o "$WORK/sort_keys" "$HERE/sort_keys.cpp"
for p in make_table makeindex seek scan; do
    "$BUILD_DIR/talvenc" "$HERE/$p.tvs" -o "$WORK/$p.TVC" >/dev/null
done

/usr/bin/python3 - "$BUILD_DIR/talven" "$WORK" "$N" "$HERE/results.md" <<'EOF'
import resource, subprocess, sys
talven, work, n, results = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]

def run(*args):
    """Processor seconds of one runtime process, and its output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run([talven, *args], cwd=work, capture_output=True, text=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0 or done.stderr:
        sys.exit(f"{args[0]} failed: {done.stderr}")
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime), done.stdout.split()

t_table, _ = run("make_table.TVC", str(n))
t_name, out = run("makeindex.TVC", str(n), "NAME", "namen")
t_amount, _ = run("makeindex.TVC", str(n), "MENGE", "menge")
t_seek, out = run("seek.TVC", str(n), "1")
if out[0] != str(n):
    sys.exit(f"@DBSEEK found {out[0]} of {n}")
t_loop, _ = run("seek.TVC", str(n), "0")
t_scan, out = run("scan.TVC", str(n), "namen")
if out[0] != str(n):
    sys.exit(f"the indexed scan met {out[0]} of {n} records")
t_plain, _ = run("scan.TVC", str(n), "-")
cpp = dict(line.split()[:2] for line in subprocess.run([f"{work}/sort_keys", str(n)], capture_output=True,
                                                      text=True, check=True).stdout.splitlines())
ms = lambda s: f"{s * 1000:.0f}"
rows = [
    ("append the records (table, for reference)", ms(t_table), "", ""),
    ("MAKEINDEX on NAME C(20)", ms(t_name), cpp["sort_name"], "stable sort of (key, record)"),
    ("MAKEINDEX on MENGE N(10)", ms(t_amount), cpp["sort_amount"], "stable sort of (double, record)"),
    (f"{n} exact @DBSEEKs", ms(t_seek), cpp["seek"], "lower_bound"),
    ("  the same loop without @DBSEEK", ms(t_loop), "", ""),
    ("full scan in NAME order", ms(t_scan), cpp["scan"], "walk of the sorted vector"),
    ("  full scan in physical order", ms(t_plain), "", ""),
]
lines = [f"# Index benchmark, {n} records", "",
         "Processor time in milliseconds; each runtime figure is one process (start-up,",
         "opening the table and the interpreter's loop included).", "",
         "| step | runtime | C++ in memory | C++ does |", "|---|---:|---:|---|"]
lines += [f"| {a} | {b} | {c} | {d} |" for a, b, c, d in rows]
text = "\n".join(lines) + "\n"
print(text)
open(results, "w").write(text)
EOF

if [ "${CHECK:-1}" != 0 ]; then
    log "XBase reads the indexes of $N records after appends, changes, a pack and a re-index"
    /usr/bin/python3 "$REPO_DIR/tests/interop/ndx_interop.py" "$BUILD_DIR/talven" "$BUILD_DIR/talvenc" "$N"
fi
