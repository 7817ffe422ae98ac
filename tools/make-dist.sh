#!/bin/sh
# Puts the release into dist/: the 32-bit plug-in, its installer, a zip for
# installing by hand (the DLL, songbeam-monitor.exe, and the read-me and the
# licence with Windows line ends) and the SHA-256 sums of the three. The same sources give the same bytes: every file
# is stamped with the fixed RELEASE_DATE, and zip stores no extra fields.
#
#   tools/make-dist.sh [OUT_DIR]   (default dist; needs the i686 build,
#                                   which `make dist` runs first)
set -eu
cd "$(dirname "$0")/.."
version=0.1
date=${RELEASE_DATE:-2026-01-01 00:00:00 UTC}
dll=build/i686/bin/gen_songbeam.dll
monitor=build/i686/bin/songbeam-monitor.exe
for f in "$dll" "$monitor"; do
    [ -f "$f" ] || { echo "make-dist: no $f; run make build first" >&2; exit 1; }
    case $(i686-w64-mingw32-objdump -f "$f" | sed -n 's/.*file format //p') in
        pei-i386) ;;
        *) echo "make-dist: $f is not a 32-bit program" >&2; exit 1 ;;
    esac
done
rm -rf "${1:-dist}"; mkdir -p "${1:-dist}/.zip"
out=$(cd "${1:-dist}" && pwd)
stamp() { chmod 644 "$@"; touch -d "$date" "$@"; }

cp "$dll" "$out/gen_songbeam.dll"
stamp "$out/gen_songbeam.dll"

makensis -V2 -DDLL="$out/gen_songbeam.dll" -DOUTFILE="$out/songbeam-$version-setup.exe" \
    installer/songbeam.nsi >/dev/null

cp "$out/gen_songbeam.dll" "$out/.zip/gen_songbeam.dll"
cp "$monitor" "$out/.zip/songbeam-monitor.exe"
sed 's/$/\r/' installer/readme.txt > "$out/.zip/README.txt"
sed 's/$/\r/' LICENSE > "$out/.zip/LICENSE.txt"
files="gen_songbeam.dll songbeam-monitor.exe README.txt LICENSE.txt"
(cd "$out/.zip" && stamp $files && TZ=UTC zip -q -X -D "../songbeam-$version.zip" $files)
rm -rf "$out/.zip"

(cd "$out" && sha256sum gen_songbeam.dll "songbeam-$version-setup.exe" "songbeam-$version.zip" > SHA256SUMS)
stamp "$out/songbeam-$version-setup.exe" "$out/songbeam-$version.zip" "$out/SHA256SUMS"
ls -l "$out"
cat "$out/SHA256SUMS"
