#!/bin/sh
# What `make dist` hands to users, built twice into scratch folders:
#   - the same files twice, byte for byte (fixed dates, no time stamps);
#   - the DLL is the shipped 32-bit build, the installer a 32-bit program;
#   - the zip holds exactly gen_songbeam.dll (the same bytes) and README.txt
#     with Windows line ends;
#   - SHA256SUMS matches the three files.
#
#   tools/check-dist.sh WORK_DIR
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"; work=$(cd "$1" && pwd)/release-dist
rm -rf "$work"; mkdir -p "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

"$src/tools/make-dist.sh" "$work/first" >/dev/null || exit 1
sleep 1
"$src/tools/make-dist.sh" "$work/second" >/dev/null || exit 1
d="$work/first"

[ "$(ls "$d" | tr '\n' ' ')" = "SHA256SUMS gen_songbeam.dll songbeam-0.1-setup.exe songbeam-0.1.zip " ] \
    && pass "four files" || fail "dist holds: $(ls "$d" | tr '\n' ' ')"
diff -r "$work/first" "$work/second" >/dev/null && pass "two runs give the same bytes" || fail "two runs differ"
cmp -s "$d/gen_songbeam.dll" "$src/build/i686/bin/gen_songbeam.dll" && pass "the DLL is the i686 build" \
    || fail "the DLL is not build/i686's"
[ "$(i686-w64-mingw32-objdump -f "$d/songbeam-0.1-setup.exe" | sed -n 's/.*file format //p')" = pei-i386 ] \
    && pass "the installer is a 32-bit program" || fail "the installer is not a 32-bit program"
(cd "$d" && sha256sum -c --quiet SHA256SUMS) && pass "SHA256SUMS matches" || fail "SHA256SUMS does not match"

mkdir -p "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$d/songbeam-0.1.zip") || fail "the zip does not unpack"
[ "$(ls "$work/unzipped" | tr '\n' ' ')" = "README.txt gen_songbeam.dll " ] && pass "the zip holds the DLL and README.txt" \
    || fail "the zip holds: $(ls "$work/unzipped" | tr '\n' ' ')"
cmp -s "$work/unzipped/gen_songbeam.dll" "$d/gen_songbeam.dll" && pass "the zipped DLL is the same" \
    || fail "the zipped DLL differs"
readme="$work/unzipped/README.txt"
lines=$(wc -l <"$readme"); crlf=$(grep -c "$(printf '\r')\$" "$readme")
[ "$lines" -gt 5 ] && [ "$lines" = "$crlf" ] && pass "README.txt has Windows line ends" \
    || fail "README.txt: $crlf of $lines lines end in CR LF"
grep -q 'Plugins' "$readme" && grep -q 'gen_songbeam.dll' "$readme" && pass "README.txt says where the DLL goes" \
    || fail "README.txt does not say where the DLL goes"

[ $failures = 0 ] && rm -rf "$work"
echo "$failures failure(s)"
[ $failures = 0 ]
