#!/bin/sh
# Installs, as root on Debian 12, every package the build, the tests, the demo,
# the release and the fuzzers need. Safe to repeat: it does nothing when all
# of them are already there.
#   tools/install-deps.sh [screenshots]
# With "screenshots", also the fonts that the pictures need and the tests do
# not: Noto Sans CJK for Chinese, Japanese and Korean, and Symbola, a
# monochrome font with the emoji.
set -eu

packages="make cmake googletest mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
wine wine32:i386 wine64 fonts-wine fonts-liberation
libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 xvfb x11-apps imagemagick nsis zip clang libclang-rt-14-dev
locales"
[ "${1:-}" = screenshots ] && packages="$packages fonts-noto-cjk fonts-symbola"

# Wine takes the ANSI code page from the locale; the tests run programs
# under the Cyrillic code page 1251 and the Japanese double-byte code page
# 932, which need the Russian and the Japanese locale.
test_locales() {
    for name in ru_RU ja_JP; do
        locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8\$" && continue
        [ "$(id -u)" = 0 ] || { echo "install-deps: the locale $name.UTF-8 is missing (run as root to generate it)" >&2; return 1; }
        localedef -i $name -f UTF-8 $name.UTF-8
    done
}

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done
if [ -z "$missing" ]; then
    test_locales
    exit
fi

if [ "$(id -u)" != 0 ]; then
    echo "install-deps: missing packages:$missing (run as root to install them)" >&2
    exit 1
fi

case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
    *" i386 "*) ;;
    *) dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
# A mirror in mid-sync can fail one index of the update ("File has unexpected
# size"); try again a few times, then go on with the indexes that did arrive
# and let the install say whether what it needs is there.
log=$(mktemp "${TMPDIR:-/tmp}/install-deps.XXXXXX")
trap 'rm -f "$log"' EXIT
tries=0
until apt-get update -q >"$log" 2>&1; do
    cat "$log"
    tries=$((tries + 1))
    if [ "$tries" -ge 4 ]; then
        echo "install-deps: apt-get update failed $tries times; installing from the indexes it fetched" >&2
        break
    fi
    sleep $((tries * 10))
done
[ "$tries" -ge 4 ] || cat "$log"

# The foreign architectures whose index of some suite did not arrive in the
# last update. Their packages then come from an older index (or the release's
# own suite) while the native ones are the newer updates, and a package that
# both architectures must have in the same version (what wine32:i386 needs)
# cannot be installed.
lagging=""
for arch in $(dpkg --print-foreign-architectures); do
    grep -q "Failed to fetch .*/binary-$arch/" "$log" && lagging="$lagging $arch"
done

if ! apt-get install -y -q --no-install-recommends $missing; then
    suite=$(. "${SONGBEAM_OS_RELEASE:-/etc/os-release}" && echo "${VERSION_CODENAME:-}")
    [ -n "$lagging" ] && [ -n "$suite" ] || exit 1
    # The release's own suite holds the same versions for every architecture.
    echo "install-deps: the$lagging index did not arrive; installing again from the release's own suite ($suite), whose versions every architecture has" >&2
    apt-get install -y -q --no-install-recommends -t "$suite" $missing
fi
test_locales
