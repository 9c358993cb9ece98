#!/usr/bin/env bash
# Runs a program in its real window under Wine, on your own display:
#
#   scripts/talven-window.sh program.TVC [parameters...]
#   scripts/talven-window.sh program.tvs [parameters...]    (compiled first)
#
# Builds talven.exe (the 64-bit Windows build, build/win64) and talvenc
# (build/native) when they are missing, installing what the build needs
# through scripts/setup.sh. The program runs with its own folder as the
# current directory, in the German locale, in a Wine prefix that stays
# between runs: $TALVEN_WINEPREFIX, by default
# ${XDG_DATA_HOME:-~/.local/share}/talven/wineprefix (made on first use,
# which takes a minute). The window opens on $DISPLAY; without a display
# the script says so and stops. The exit code is the program's.
#
# TALVEN_EXE names another runtime to start (a talven.exe you built
# yourself, or a bound program: then give no program file).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
[[ $# -ge 1 || -n ${TALVEN_EXE:-} ]] || { echo "usage: $0 program.TVC|program.tvs [parameters...]" >&2; exit 2; }
[[ -n ${DISPLAY:-} ]] || { echo "talven-window: no display (DISPLAY is empty); run it in your desktop session" >&2; exit 2; }

loader=/usr/lib/wine/wine64
[[ -x $loader ]] || loader=$(command -v wine64 || true)
if [[ -z $loader || ! -x $loader ]]; then
    "$root/scripts/setup.sh"
    loader=/usr/lib/wine/wine64
fi

build() {
    local preset=$1 target=$2
    if [[ ! -e $root/build/$preset/$target ]]; then
        "$root/scripts/setup.sh" >/dev/null
        (cd "$root" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target "${target%.exe}")
    fi
}

exe=${TALVEN_EXE:-}
if [[ -z $exe ]]; then
    build win64 talven.exe
    exe=$root/build/win64/talven.exe
fi

args=()
if [[ $# -ge 1 ]]; then
    program=$(realpath "$1")
    shift
    [[ -f $program ]] || { echo "talven-window: $program: no such file" >&2; exit 2; }
    if [[ ${program,,} == *.tvs ]]; then
        build native talvenc
        compiled=${program%.*}.TVC
        "$root/build/native/talvenc" "$program" -o "$compiled"
        program=$compiled
    fi
    cd "$(dirname "$program")"
    args=("$(basename "$program")")
fi

export WINEPREFIX=${TALVEN_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/talven/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "talven-window: preparing the Wine prefix $WINEPREFIX (once)" >&2
    mkdir -p "$WINEPREFIX"
    "$loader" wineboot --init >/dev/null 2>&1 || true
fi

set +e
"$loader" "$(realpath "$exe")" "${args[@]}" "$@"
