#!/usr/bin/env bash
# Rebuilds the pictures of the README: docs/window_demo.png and
# docs/dialog_demo.png, examples/window_demo.tvs and examples/dialog_demo.tvs
# on talven.exe under Wine and Xvfb, photographed with ImageMagick's import.
# Needs the native and the win64 builds (other folders than build/native and
# build/win64 through NATIVE_BUILD and WIN64_BUILD).
#
# Nothing waits for a time: the photographs start once the demo has written
# the line it shows when it is ready, the picture is kept once two
# photographs in a row agree (the drawing has settled), and only then does
# the driver, waiting for the file shot.done, play what ends the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=${NATIVE_BUILD:-$root/build/native}
win64=${WIN64_BUILD:-$root/build/win64}

# shoot NAME READY_LINE CROP ENDING_ACTION
shoot() {
    local name=$1 ready=$2 crop=$3 ending=$4
    local work=$win64/screenshot/$name
    rm -rf "$work" && mkdir -p "$work"
    cp "examples/$name.tvs" "$work/"
    "$native/talvenc" "$work/$name.tvs" -o "$work/$name.TVC"
    printf 'window\nline %s\nfile shot.done\n%s\n' "$ready" "$ending" > "$work/actions"
    (
        cd "$work"
        TALVEN_STREAM=1 "$TALVEN_WINE" "$win64/tvdriver.exe" --timeout 60 --actions actions -- \
            "Z:${win64//\//\\}\\talven.exe" "$name.TVC" > stream.txt &
        driver=$!
        until grep -qxF "$ready" stream.txt; do
            kill -0 "$driver" 2>/dev/null || { echo "screenshot: $name ended early" >&2; exit 1; }
            sleep 0.1
        done
        photo() { import -window root -crop "$crop" "$1"; }
        photo before.ppm
        for _ in $(seq 100); do
            photo after.ppm
            cmp -s before.ppm after.ppm && break
            mv after.ppm before.ppm
        done
        convert after.ppm "$root/docs/$name.png"
        touch shot.done
        wait "$driver"
    )
    echo "screenshot: docs/$name.png"
}

both() {
    shoot window_demo "Text, Formen und Farben; eine Taste beendet das Programm." 660x520+0+0 "chars x"
    shoot dialog_demo bereit 560x400+20+20 "menu 199"
}
export -f shoot both
export root native win64
scripts/wine-env.sh "$win64" bash -c both
