#!/bin/sh
# The same sources and toolchain give the same gen_songbeam.dll, byte for
# byte, wherever the sources and the build tree lie: the i686 plug-in is
# built twice, from the sources and from a copy of them at another path,
# each in a fresh build tree, and both results must equal each other and the
# shipped build (build/i686), when that exists.
#
#   tools/check-reproducible.sh WORK_DIR
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"; work=$(cd "$1" && pwd)/reproducible
rm -rf "$work"; mkdir -p "$work/copy-of-the-sources"

# A copy of the sources, without build trees and release files.
(cd "$src" && tar cf - --exclude=./build --exclude='./build-*' --exclude=./dist --exclude=./.git .) |
    (cd "$work/copy-of-the-sources" && tar xf -) || exit 1

build() {   # SOURCE_DIR BUILD_DIR
    cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
        -DSONGBEAM_TESTS=OFF >"$2.log" 2>&1 &&
    cmake --build "$2" -j 2 --target gen_songbeam >>"$2.log" 2>&1 || { cat "$2.log"; exit 1; }
}
build "$src" "$work/first"
build "$work/copy-of-the-sources" "$work/second-tree-elsewhere"

a="$work/first/bin/gen_songbeam.dll"; b="$work/second-tree-elsewhere/bin/gen_songbeam.dll"
status=0
if cmp "$a" "$b"; then
    echo "ok: two builds at different paths give the same $(wc -c <"$a") bytes"
else
    echo "FAIL: two builds at different paths differ"; status=1
fi
shipped="$src/build/i686/bin/gen_songbeam.dll"
if [ -f "$shipped" ]; then
    if cmp "$a" "$shipped"; then echo "ok: the shipped build/i686 DLL has the same bytes"
    else echo "FAIL: the shipped build/i686 DLL differs from a fresh build (stale or not reproducible)"; status=1
    fi
fi
[ $status = 0 ] && rm -rf "$work"
exit $status
