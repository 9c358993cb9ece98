#!/usr/bin/env bash
# A second ODBC driver beside SQLite: runs the programs of tests/postgres/ against
# PostgreSQL through Debian's psqlodbc driver, on the console host and on
# talven.exe under Wine (scripts/wine-env.sh), and compares both with
# the expected output of each test folder in tests/postgres/ (the layout of
# the golden tests). The database is a private cluster in a temporary
# folder, listening on localhost:54329 (the tests' env files name it), started
# here and stopped again; nothing in /etc is changed. Installs postgresql and
# odbc-postgresql when they are missing (as root), and builds the native and
# win64 configurations when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
port=54329

if ! ls /usr/lib/postgresql/*/bin/initdb >/dev/null 2>&1 || [[ ! -f /usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so ]]; then
    [[ $(id -u) -eq 0 ]] || { echo "odbc-postgres: install postgresql and odbc-postgresql first" >&2; exit 2; }
    apt-get install -y -q postgresql odbc-postgresql >/dev/null
fi
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
[[ -x build/native/talven ]] || { cmake --preset native && cmake --build --preset native; }
[[ -f build/win64/talven.exe ]] || { cmake --preset win64 && cmake --build --preset win64; }

work=$(mktemp -d /tmp/talven-pg.XXXXXX)
chmod 755 "$work"
# The server refuses to run as root: the cluster belongs to postgres then.
as_owner=()
if [[ $(id -u) -eq 0 ]]; then
    chown postgres "$work"
    as_owner=(runuser -u postgres --)
fi
stop() {
    "${as_owner[@]}" "$bin/pg_ctl" -D "$work/data" -m fast stop >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap stop EXIT
"${as_owner[@]}" "$bin/initdb" -D "$work/data" -A trust -U talven --no-sync -E UTF8 --locale=C.UTF-8 >/dev/null
"${as_owner[@]}" "$bin/pg_ctl" -D "$work/data" -w -l "$work/server.log" \
    -o "-p $port -k $work -c listen_addresses=localhost -c fsync=off" start >/dev/null
"${as_owner[@]}" "$bin/createdb" -h localhost -p "$port" -U talven talven

# The tests find the server through their env files (TALVEN_PG).
status=0
tests=(tests/postgres/*/)
python3 tests/golden/run_golden.py --talven "$root/build/native/talven" --talvenc "$root/build/native/talvenc" \
    --work "$work/console" "${tests[@]}" || status=1
scripts/wine-env.sh build/win64 python3 tests/win32/run_win32.py --talven "$root/build/win64/talven.exe" \
    --talvenc "$root/build/native/talvenc" --driver "$root/build/win64/tvdriver.exe" \
    --work "$work/wine" "${tests[@]}" || status=1
[[ $status -eq 0 ]] && echo "odbc-postgres: passed on both hosts" || echo "odbc-postgres: FAILED"
exit $status
