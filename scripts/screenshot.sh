#!/usr/bin/env bash
# Rebuilds docs/window_demo.png: examples/window_demo.tvs on talven.exe
# under Wine and Xvfb, photographed with ImageMagick's import while it waits
# for its key. Needs the native and the win64 builds (other folders than
# build/native and build/win64 through NATIVE_BUILD and WIN64_BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=${NATIVE_BUILD:-$root/build/native}
win64=${WIN64_BUILD:-$root/build/win64}
work=$win64/screenshot
rm -rf "$work" && mkdir -p "$work"
cp examples/window_demo.tvs "$work/"
"$native/talvenc" "$work/window_demo.tvs" -o "$work/window_demo.TVC"
printf 'window\nwait 4000\nchars x\n' > "$work/actions"

shoot() {
    cd "$work"
    "$TALVEN_WINE" "$win64/tvdriver.exe" --timeout 30 --actions actions -- \
        "Z:${win64//\//\\}\\talven.exe" window_demo.TVC &
    local driver=$!
    sleep 3
    import -window root -crop 660x520+0+0 "$root/docs/window_demo.png"
    wait "$driver"
}
export -f shoot
export root work win64
scripts/wine-env.sh "$win64" bash -c shoot
echo "screenshot: docs/window_demo.png"
