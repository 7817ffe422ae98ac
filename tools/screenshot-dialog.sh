#!/bin/sh
# Takes docs/dialog.png, the picture of the configuration dialog: the stand-in
# host opens the dialog in Wine on a virtual X screen (Xvfb); the screen is
# captured and cut to the dialog, and everything is closed again.
#   tools/screenshot-dialog.sh [BUILD_DIR]      (default: build/screenshot)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=$(tools/test-arch.sh)
if [ "$arch" = i686 ]; then wine=/usr/lib/wine/wine; else wine=/usr/lib/wine/wine64; fi
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32

# On the virtual screen (run by xvfb-run below).
if [ "${1:-}" = --on-screen ]; then
    build=$2
    export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all
    SONGBEAM_DISPLAY=bare tools/wine-env.sh "$build" "$arch"
    host=
    finish() {
        [ -z "$host" ] || kill "$host" 2>/dev/null || true
        "$server" -k >/dev/null 2>&1 || true
    }
    trap finish EXIT
    (cd "$build/bin" && exec "$wine" songbeam-host.exe --dialog) >"$build/screenshot-host.log" 2>&1 </dev/null &
    host=$!
    # The screen is black until the dialog is drawn; wait for it, then give
    # it a moment to paint its controls.
    shot="$build/screen.xwd"
    tries=0
    while :; do
        sleep 0.5
        xwd -root -silent >"$shot"
        size=$(convert "$shot" -trim -format '%w %h' info: 2>/dev/null || echo "0 0")
        set -- $size
        [ "$1" -gt 100 ] && [ "$2" -gt 100 ] && break
        tries=$((tries + 1))
        if [ "$tries" -ge 60 ]; then
            echo "screenshot: the dialog did not appear (see $build/screenshot-host.log)" >&2
            exit 1
        fi
    done
    sleep 1
    xwd -root -silent >"$shot"
    # No time stamps in the file, so the same picture gives the same bytes.
    convert "$shot" -trim +repage -strip -define png:exclude-chunks=date,time "$root/docs/dialog.png"
    rm -f "$shot"
    echo "screenshot: wrote docs/dialog.png ($(convert "$root/docs/dialog.png" -format '%wx%h' info:))"
    exit 0
fi

build=${1:-build/screenshot}
mkdir -p "$build" docs
build=$(cd "$build" && pwd)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DSONGBEAM_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target songbeam-host >/dev/null
# A black screen (-br), so that everything but the dialog is cut away.
xvfb-run -a -s "-screen 0 640x480x24 -br" "$0" --on-screen "$build"
