#!/bin/sh
# Prints the Windows architecture whose build the tests, the demo, the
# benchmark and the release checks run on this machine:
#   i686    this machine runs 32-bit Windows programs in Wine, so the shipped
#           32-bit build is the tested build;
#   x86_64  it cannot (a kernel without 32-bit support: "Exec format error"),
#           so the same sources built for 64-bit Windows run in 64-bit Wine.
# It decides by running a tiny 32-bit program in the i686 tree's Wine prefix,
# not by asking Wine for its version; the answer is kept in build/i686 so the
# probe runs once per build tree.
#
#   [TEST_ARCH=i686|x86_64] tools/test-arch.sh [--say WHAT]
# TEST_ARCH forces the choice; TEST_ARCH=i686 fails, saying why, where 32-bit
# programs cannot run.
set -u
cd "$(dirname "$0")/.."
cache=build/i686/test-arch.probe

probe() {
    [ -f "$cache" ] && { cat "$cache"; return; }
    mkdir -p build/i686
    exe=build/i686/arch-probe.exe
    i686-w64-mingw32-gcc -O2 -o "$exe" tools/arch-probe.c || { echo "cannot build the 32-bit probe"; return; }
    # Creates the prefix on a first run (no Mono or Gecko offered); under an
    # emulator 32-bit Wine is far too slow to use, so a probe that takes
    # minutes counts as a failure.
    said=$(WINEPREFIX="$PWD/build/i686/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' \
           timeout 180 /usr/lib/wine/wine "$exe" </dev/null 2>&1 | tr -d '\r')
    case $said in
        *"32-bit Windows programs run here"*) answer=yes ;;
        # The kernel refuses the 32-bit loader; timeout's exec then hands it
        # to the shell, which says so its own way.
        *"Exec format error"*|*"/usr/lib/wine/wine: 1: Syntax error"*)
            answer="32-bit Wine cannot start (Exec format error)" ;;
        "") answer="32-bit Wine ran nothing (timed out or no output)" ;;
        *) answer="32-bit Wine said: $(printf '%s' "$said" | head -n 1)" ;;
    esac
    echo "$answer" > "$cache"
    echo "$answer"
}

# --say WHAT: one line for the end of a run, saying where WHAT ran.
if [ "${1:-}" = --say ]; then
    arch=$("$0") || exit 1
    if [ "$arch" = i686 ]; then
        echo "$2 ran on i686 (the shipped build)"
    elif [ -n "${TEST_ARCH:-}" ]; then
        echo "$2 ran on x86_64 (TEST_ARCH=x86_64): the i686 build was compiled, not run"
    else
        echo "$2 ran on x86_64: this machine cannot run 32-bit programs ($(probe)); the i686 build was compiled, not run"
    fi
    exit 0
fi

case ${TEST_ARCH:-} in
    "")
        if [ "$(probe)" = yes ]; then echo i686; else echo x86_64; fi ;;
    x86_64)
        echo x86_64 ;;
    i686)
        why=$(probe)
        if [ "$why" = yes ]; then echo i686; else
            echo "TEST_ARCH=i686: this machine cannot run 32-bit programs: $why" >&2
            exit 1
        fi ;;
    *)
        echo "TEST_ARCH must be i686 or x86_64, not '$TEST_ARCH'" >&2
        exit 1 ;;
esac
