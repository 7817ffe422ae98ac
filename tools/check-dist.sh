#!/bin/sh
# What `make dist` hands to users, built twice into scratch folders:
#   - the same files twice, byte for byte (fixed dates, no time stamps);
#   - the DLL is the shipped 32-bit build, the installer a 32-bit program;
#   - the zip holds exactly gen_songbeam.dll (the same bytes), the 32-bit
#     songbeam-monitor.exe of the same build, and README.txt and LICENSE.txt
#     (the MIT licence) with Windows line ends;
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
u="$work/unzipped"
[ "$(ls "$u" | tr '\n' ' ')" = "LICENSE.txt README.txt gen_songbeam.dll songbeam-monitor.exe " ] \
    && pass "the zip holds the DLL, the monitor, README.txt and LICENSE.txt" \
    || fail "the zip holds: $(ls "$u" | tr '\n' ' ')"
cmp -s "$u/gen_songbeam.dll" "$d/gen_songbeam.dll" && pass "the zipped DLL is the same" \
    || fail "the zipped DLL differs"
cmp -s "$u/songbeam-monitor.exe" "$src/build/i686/bin/songbeam-monitor.exe" &&
    [ "$(i686-w64-mingw32-objdump -f "$u/songbeam-monitor.exe" | sed -n 's/.*file format //p')" = pei-i386 ] \
    && pass "the zipped monitor is the 32-bit build" || fail "the zipped monitor is not build/i686's"
for text in README.txt LICENSE.txt; do
    lines=$(wc -l <"$u/$text"); crlf=$(grep -c "$(printf '\r')\$" "$u/$text")
    [ "$lines" -gt 5 ] && [ "$lines" = "$crlf" ] && pass "$text has Windows line ends" \
        || fail "$text: $crlf of $lines lines end in CR LF"
done
grep -q 'Plugins' "$u/README.txt" && grep -q 'gen_songbeam.dll' "$u/README.txt" && grep -q 'songbeam-monitor.exe' "$u/README.txt" \
    && pass "README.txt says where the DLL goes and how to check it" \
    || fail "README.txt does not say where the DLL goes or how to check it"
grep -q '^MIT License' "$u/LICENSE.txt" && grep -q 'Copyright (c) 2026 the Songbeam! team' "$u/LICENSE.txt" \
    && pass "LICENSE.txt is the MIT licence of the Songbeam! team" || fail "LICENSE.txt is not the licence"

[ $failures = 0 ] && rm -rf "$work"
echo "$failures failure(s)"
[ $failures = 0 ]
