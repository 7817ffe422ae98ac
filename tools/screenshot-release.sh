#!/bin/sh
# Takes the pictures of the release that README.md shows: the installer's
# folder page and its finish page (docs/installer-*.png), and songbeam-monitor.exe listing what the plug-in
# sent while the demo played (docs/monitor.png). Everything runs in Wine on a
# virtual X screen (Xvfb); screenshot-press.exe clicks and types for a person.
#   tools/screenshot-release.sh [BUILD_DIR]      (default: build/screenshot)
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
    pids=
    finish() {
        for pid in $pids; do kill "$pid" 2>/dev/null || true; done
        "$server" -k >/dev/null 2>&1 || true
    }
    trap finish EXIT
    log="$build/screenshot-release.log"
    : >"$log"
    press() { (cd "$build" && "$wine" screenshot-press.exe "$@") </dev/null >>"$log" 2>&1 || {
        echo "screenshot: '$*' failed (see $log)" >&2; exit 1; }; }
    # The screen, cut to what is drawn on its black background, without time
    # stamps, so the same picture gives the same bytes.
    shoot() {
        sleep 2
        xwd -root -silent >"$build/screen.xwd"
        convert "$build/screen.xwd" -trim +repage -strip -define png:exclude-chunks=date,time "$root/docs/$1"
        rm -f "$build/screen.xwd"
        echo "screenshot: wrote docs/$1 ($(convert "$root/docs/$1" -format '%wx%h' info:))"
    }

    # The installer, page by page, into a player folder that has Plugins.
    setup="Songbeam! 0.1 Setup"
    player='C:\Program Files\Winamp'
    [ "$arch" = i686 ] && player='C:\Program Files (x86)\Winamp'
    players="$WINEPREFIX/drive_c/Program Files/Winamp"
    [ "$arch" = i686 ] && players="$WINEPREFIX/drive_c/Program Files (x86)/Winamp"
    rm -rf "$players"; mkdir -p "$players/Plugins"
    (cd "$build" && exec "$wine" songbeam-0.1-setup.exe) </dev/null >>"$log" 2>&1 &
    pids="$pids $!"
    press wait "$setup" "Choose the folder where Winamp is installed"
    shoot installer-folder.png
    # (The warning for a folder without Plugins is not taken: this Wine
    # leaves a message box unpainted on the virtual screen.)
    press set "$setup" 1019 "$player"
    press click "$setup" 1
    press wait "$setup" "What to do next"
    shoot installer-finish.png
    press click "$setup" 1
    sleep 1
    rm -rf "$players"

    # The monitor, while the demo plays its playlist.
    (cd "$build/bin" && exec "$wine" songbeam-monitor.exe) </dev/null >>"$log" 2>&1 &
    pids="$pids $!"
    press wait "Songbeam! monitor" "Every status"
    (cd "$build/bin" && "$wine" songbeam-host.exe) </dev/null >>"$log" 2>&1
    shoot monitor.png
    press close "Songbeam! monitor"
    exit 0
fi

build=${1:-build/screenshot}
mkdir -p "$build" docs
build=$(cd "$build" && pwd)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DSONGBEAM_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target songbeam-host songbeam-monitor >/dev/null
"$arch-w64-mingw32-g++" -Wall -Wextra -O2 -static -o "$build/screenshot-press.exe" tools/screenshot-press.cpp
target=
[ "$arch" = i686 ] || target=-DTEST_TARGET=amd64-unicode
# shellcheck disable=SC2086
makensis -V1 $target -DDLL="$build/bin/gen_songbeam.dll" -DOUTFILE="$build/songbeam-0.1-setup.exe" installer/songbeam.nsi
xvfb-run -a -s "-screen 0 800x600x24 -br" "$0" --on-screen "$build"
