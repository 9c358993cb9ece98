#!/usr/bin/env bash
# Rebuilds docs/window_demo.png: examples/window_demo.tvs on talven.exe
# under Wine and Xvfb, photographed with ImageMagick's import while it waits
# for its key. Needs the native and the win64 builds (other folders than
# build/native and build/win64 through NATIVE_BUILD and WIN64_BUILD).
#
# Nothing waits for a time: the photographs start once the demo's last text
# line is on its output stream, the picture is kept once two photographs in
# a row agree (the drawing has settled), and only then does the driver,
# waiting for the file shot.done, type the key that ends the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=${NATIVE_BUILD:-$root/build/native}
win64=${WIN64_BUILD:-$root/build/win64}
work=$win64/screenshot
rm -rf "$work" && mkdir -p "$work"
cp examples/window_demo.tvs "$work/"
"$native/talvenc" "$work/window_demo.tvs" -o "$work/window_demo.TVC"
printf 'window\nfile shot.done\nchars x\n' > "$work/actions"

shoot() {
    cd "$work"
    TALVEN_STREAM=1 "$TALVEN_WINE" "$win64/tvdriver.exe" --timeout 60 --actions actions -- \
        "Z:${win64//\//\\}\\talven.exe" window_demo.TVC > stream.txt &
    local driver=$!
    local last
    last=$(grep '^PRINT' window_demo.tvs | tail -n 1 | sed 's/^PRINT "\(.*\)"$/\1/')
    until grep -qxF "$last" stream.txt; do
        kill -0 "$driver" 2>/dev/null || { echo "screenshot: the demo ended early" >&2; return 1; }
        sleep 0.1
    done
    photo() { import -window root -crop 660x520+0+0 "$1"; }
    photo before.ppm
    for _ in $(seq 100); do
        photo after.ppm
        cmp -s before.ppm after.ppm && break
        mv after.ppm before.ppm
    done
    convert after.ppm "$root/docs/window_demo.png"
    touch shot.done
    wait "$driver"
}
export -f shoot
export root work win64
scripts/wine-env.sh "$win64" bash -c shoot
echo "screenshot: docs/window_demo.png"
