#!/bin/sh
# Prepares the private Wine prefix of a build tree and keeps one wineserver
# running for it, so that every later Wine start is fast.
#   tools/wine-env.sh BUILD_DIR ARCH     (ARCH: i686 or x86_64)
# Windows have no X server to draw on: the prefix uses the null graphics
# driver unless SONGBEAM_DISPLAY is set for a real screen (SONGBEAM_DISPLAY=bare:
# a virtual one without a window manager).
set -eu
mkdir -p "$1"; build=$(cd "$1" && pwd)
arch=$2
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
if [ "$arch" = i686 ]; then wine=/usr/lib/wine/wine; else wine=/usr/lib/wine/wine64; fi
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32

# A server left running by an earlier run would make the waits below endless.
"$server" -k >/dev/null 2>&1 || true
"$server" -w

if [ ! -f "$WINEPREFIX/.songbeam-ready" ]; then
    # Creates the prefix, or completes one that the architecture probe
    # (tools/test-arch.sh) started.
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$server" -w
    touch "$WINEPREFIX/.songbeam-ready"
fi
if [ -n "${SONGBEAM_DISPLAY:-}" ]; then
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
    if [ "$SONGBEAM_DISPLAY" = bare ]; then
        # A virtual screen without a window manager (Xvfb): Wine draws the
        # window frames itself, and the close box with Wine's symbol font,
        # which this Wine does not find on its own, so the prefix gets a copy.
        "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        fonts="$WINEPREFIX/drive_c/windows/Fonts"
        if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$fonts/marlett.ttf" ]; then
            mkdir -p "$fonts" && cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
        fi
        # Text that the dialog font lacks (Chinese, Japanese, Korean, the
        # symbols and emoji of the Basic Multilingual Plane) is drawn with the
        # fonts linked to it, as Windows does. The dialog font is Liberation
        # Sans here (Wine's Tahoma is not among the fonts it loads); Wine
        # links none of the fonts that tools/install-deps.sh screenshots
        # installs. This Wine draws no character beyond U+FFFF, whatever the
        # font.
        links=
        fc-list -q 'Noto Sans CJK JP' && links='NotoSansCJK-Regular.ttc,Noto Sans CJK JP'
        fc-list -q Symbola && links="${links:+$links\\0}Symbola_hint.ttf,Symbola"
        if [ -n "$links" ]; then
            "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v 'Liberation Sans' /t REG_MULTI_SZ /d "$links" /f >/dev/null 2>&1
        fi
    fi
else
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
fi
"$server" -w
"$server" -p </dev/null >/dev/null 2>&1
# Start Wine's own background processes (services, the desktop) now, with no
# output attached: started later by a test, they would hold its output open
# until the server ends.
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
