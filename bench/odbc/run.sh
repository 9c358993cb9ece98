#!/usr/bin/env bash
# The ODBC benchmark: a SELECT of N rows (100,000 by default) written to
# SQL.DAT through unixODBC and the SQLite driver; beside it the same rows
# written by the sqlite3 shell directly. Writes the table to standard output
# and to bench/odbc/results.md. See bench/README.md.
#
#   bench/odbc/run.sh            # 100,000 rows
#   N=10000 bench/odbc/run.sh    # smaller
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO_DIR="$(cd "$HERE/../.." && pwd)"
BUILD_DIR="${BENCH_BUILD_DIR:-$REPO_DIR/bench/build}"
N="${N:-100000}"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/talven-odbc-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

log() { printf 'bench/odbc: %s\n' "$*" >&2; }

log "building the runtime (Release) in ${BUILD_DIR#$REPO_DIR/}"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$REPO_DIR" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALVEN_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD_DIR" --target talven talvenc -j "${JOBS:-2}" >/dev/null
for p in make_rows to_sql_dat; do
    "$BUILD_DIR/talvenc" "$HERE/$p.tvs" -o "$WORK/$p.TVC" >/dev/null
done
printf '[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n' > "$WORK/odbcinst.ini"
export ODBCSYSINI=. ODBCINI=./odbc.ini

exec /usr/bin/python3 - "$BUILD_DIR/talven" "$WORK" "$N" "$HERE" <<'PY'
import resource, subprocess, sys, time
talven, work, n, here = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]

def run(*args):
    """Processor and wall seconds of one child process, and its output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    done = subprocess.run(list(args), cwd=work, capture_output=True, text=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit(f"{args} failed: {done.stderr}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall, done.stdout.split()

run(talven, "make_rows.TVC", str(n))
t_cpu, t_wall, out = run(talven, "to_sql_dat.TVC")
if out[:1] != [str(n)]:
    sys.exit(f"the runtime delivered {out} rows, not {n}")
lines = open(f"{work}/SQL.DAT", "rb").read().count(b"\r\n")
if lines != n + 1:
    sys.exit(f"SQL.DAT holds {lines} lines, not {n + 1}")
p_cpu, p_wall, _ = run("sqlite3", "-list", "-header", "rows.db", ".output peer.dat", "SELECT * FROM r")
ms = lambda s: f"{s * 1000:.0f}"
text = "\n".join([
    f"# ODBC benchmark, {n} rows", "",
    "Milliseconds of one process each (start-up and connecting included).", "",
    "| step | runtime cpu | runtime wall | sqlite3 shell cpu | sqlite3 shell wall |",
    "|---|---:|---:|---:|---:|",
    f"| SELECT of {n} rows (4 columns) into SQL.DAT | {ms(t_cpu)} | {ms(t_wall)} | {ms(p_cpu)} | {ms(p_wall)} |",
]) + "\n"
print(text)
open(f"{here}/results.md", "w").write(text)
PY
