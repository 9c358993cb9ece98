#!/usr/bin/env bash
# Runs the six workloads on the runtime and on the peer interpreters, side by
# side, and writes the table to bench/results.md. See bench/README.md.
#
#   bench/run.sh                 # three interleaved rounds at the full sizes
#   QUICK=1 bench/run.sh         # smoke test: small sizes, one round
#   ROUNDS=5 bench/run.sh        # more rounds
#   PEERS="lua perl" WORKLOADS="W1 W4" bench/run.sh   # a subset
set -euo pipefail

BENCH_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
REPO_DIR="$(cd "$BENCH_DIR/.." && pwd)"
BUILD_DIR="${BENCH_BUILD_DIR:-$BENCH_DIR/build}"
PROGRAMS_DIR="$BUILD_DIR/programs"
PYTHON=/usr/bin/python3

log() { printf 'bench: %s\n' "$*" >&2; }

# --- the peers, from Debian's packages -----------------------------------
# package:command pairs
PEER_PACKAGES=(lua5.4:lua5.4 python3:/usr/bin/python3 perl:perl yabasic:yabasic brandy:brandy bwbasic:bwbasic)

have() { command -v "$1" >/dev/null 2>&1; }

install_peers() {
    local missing=() pair pkg cmd
    for pair in "${PEER_PACKAGES[@]}"; do
        pkg="${pair%%:*}"; cmd="${pair#*:}"
        have "$cmd" || missing+=("$pkg")
    done
    have cmake || missing+=(cmake)
    have ninja || missing+=(ninja-build)
    have g++ || missing+=(g++)
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ] && ! have sudo; then
        log "missing and not root, cannot install: ${missing[*]}"
        return 0
    fi
    local SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    log "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
        $SUDO apt-get update >/dev/null 2>&1 || true
        # One at a time, so that one package that cannot be had does not stop the others.
        for pkg in "${missing[@]}"; do
            $SUDO apt-get install -y --no-install-recommends "$pkg" >/dev/null 2>&1 \
                || log "could not install $pkg: that peer is skipped"
        done
    fi
}

install_peers

[ -x "$PYTHON" ] || { log "$PYTHON is needed for the table"; exit 2; }

# --- the runtime, Release build of its own --------------------------------
log "building the runtime (Release) in ${BUILD_DIR#$REPO_DIR/}"
GENERATOR=()
have ninja && GENERATOR=(-G Ninja)
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$REPO_DIR" -B "$BUILD_DIR" "${GENERATOR[@]}" \
        -DCMAKE_BUILD_TYPE=Release -DTALVEN_BUILD_TESTS=OFF >"$BUILD_DIR.configure.log" 2>&1 \
        || { cat "$BUILD_DIR.configure.log" >&2; exit 2; }
    rm -f "$BUILD_DIR.configure.log"
fi
cmake --build "$BUILD_DIR" --target talven talvenc -j "${JOBS:-2}" >"$BUILD_DIR/build.log" 2>&1 \
    || { tail -40 "$BUILD_DIR/build.log" >&2; log "build failed"; exit 2; }

# --- the programs ------------------------------------------------------------
# Each program is bound to a copy of the runtime, so that the size is the
# program's parameter 1 (started as `talven PROG.TVC N`, parameter 1 would be
# the program's name and the size parameter 2).
mkdir -p "$PROGRAMS_DIR"
for src in "$BENCH_DIR"/talven/w[1-6].tvs; do
    name="$(basename "$src" .tvs)"
    rm -f "$PROGRAMS_DIR/$name.TVC" "$PROGRAMS_DIR/$name"
    "$BUILD_DIR/talvenc" "$src" -o "$PROGRAMS_DIR/$name.TVC" \
        || { log "talvenc failed on ${src#$REPO_DIR/}"; exit 2; }
    "$BUILD_DIR/talvenc" --bind "$PROGRAMS_DIR/$name.TVC" -o "$PROGRAMS_DIR/$name" \
        --runtime "$BUILD_DIR/talven" \
        || { log "binding ${name}.TVC failed"; exit 2; }
done

# --- the runs and the table -------------------------------------------------
export BENCH_PROGRAMS="$PROGRAMS_DIR"
exec "$PYTHON" "$BENCH_DIR/harness.py"
