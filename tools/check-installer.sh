#!/bin/sh
# The installer and the uninstaller, run silently in Wine as a user's script
# would run them:
#   - setup.exe /S /D=<player folder> puts gen_songbeam.dll, byte for byte,
#     into <player folder>\Plugins, with the uninstaller beside it;
#   - the uninstaller removes the DLL and itself, and leaves the player's INI
#     file (with the plug-in's settings) and the rest of the folder untouched;
#   - a player folder without Plugins gets one in silent mode;
#   - without /D= it installs into Program Files\Winamp;
#   - the same files give the same installer, byte for byte.
#
#   tools/check-installer.sh BUILD_DIR ARCH
# BUILD_DIR is a Windows build tree with its Wine prefix ready
# (tools/wine-env.sh); ARCH is i686 or x86_64. On i686 this is the shipped
# 32-bit installer; on x86_64 (a machine that runs no 32-bit programs) the
# same script is built for amd64 around the x86_64 DLL.
set -u
build=$(cd "$1" && pwd); arch=$2
src=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
if [ "$arch" = i686 ]; then wine=/usr/lib/wine/wine; target=; else wine=/usr/lib/wine/wine64; target=-DTEST_TARGET=amd64-unicode; fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

work="$build/release-installer"
rm -rf "$work"; mkdir -p "$work/stage"
dll="$work/stage/gen_songbeam.dll"
cp "$build/bin/gen_songbeam.dll" "$dll" || exit 1
touch -d '2026-01-01 00:00:00 UTC' "$dll"

# shellcheck disable=SC2086
makensis -V1 $target -DDLL="$dll" -DOUTFILE="$work/setup.exe" "$src/installer/songbeam.nsi" || exit 1
# shellcheck disable=SC2086
makensis -V1 $target -DDLL="$dll" -DOUTFILE="$work/setup-again.exe" "$src/installer/songbeam.nsi" || exit 1
cmp -s "$work/setup.exe" "$work/setup-again.exe" && pass "two builds of the installer are identical" \
    || fail "two builds of the installer differ"

# Player folders live on the prefix's drive C:.
root="$WINEPREFIX/drive_c/songbeam-installer-test"
rm -rf "$root"; mkdir -p "$root/Winamp/Plugins" "$root/Bare"
printf '[Winamp]\r\noutname=x\r\n[Songbeam!]\r\nENABLE=1\r\nTEXT1=102\r\nTEXT2=104\r\nTEXT3=0\r\nTEXT4=0\r\nCUSTOM1=a\r\nCUSTOM2=b\r\nCUSTOM3=c\r\nCUSTOM4=d\r\n' \
    > "$root/Winamp/winamp.ini"
cp "$root/Winamp/winamp.ini" "$work/winamp.ini.before"
echo other > "$root/Winamp/Plugins/gen_other.dll"
cp "$work/setup.exe" "$root/setup.exe"

run() { (cd "$root" && timeout 60 "$wine" "$@" </dev/null >"$work/wine.out" 2>&1); }

# Waits (at most 30 s) until none of the given files exists any more: the
# uninstaller copies itself to the temporary folder and works from there.
gone() {
    i=0
    while [ $i -lt 60 ]; do
        any=0; for f in "$@"; do [ -e "$f" ] && any=1; done
        [ $any = 0 ] && return 0
        sleep 0.5; i=$((i + 1))
    done
    return 1
}

# Install into a player folder that has Plugins.
run setup.exe /S '/D=C:\songbeam-installer-test\Winamp'; rc=$?
[ $rc = 0 ] && pass "silent install exits with 0" || fail "silent install exits with $rc"
plugins="$root/Winamp/Plugins"
if cmp -s "$build/bin/gen_songbeam.dll" "$plugins/gen_songbeam.dll"; then
    pass "the installed DLL equals the built one byte for byte"
else
    fail "Plugins/gen_songbeam.dll missing or different"
fi
[ -f "$plugins/Uninstall Songbeam.exe" ] && pass "the uninstaller is in Plugins" \
    || fail "no Plugins/Uninstall Songbeam.exe"
[ "$(ls "$root/Winamp" | tr '\n' ' ')" = "Plugins winamp.ini " ] && pass "nothing else in the player folder" \
    || fail "player folder holds: $(ls "$root/Winamp" | tr '\n' ' ')"

# Uninstall, as Windows would run it (it relaunches itself from the temporary folder).
run 'C:\songbeam-installer-test\Winamp\Plugins\Uninstall Songbeam.exe' /S; rc=$?
[ $rc = 0 ] && pass "silent uninstall exits with 0" || fail "silent uninstall exits with $rc"
if gone "$plugins/gen_songbeam.dll" "$plugins/Uninstall Songbeam.exe"; then
    pass "the uninstaller removed the DLL and itself"
else
    fail "after uninstall Plugins holds: $(ls "$plugins" | tr '\n' ' ')"
fi
cmp -s "$work/winamp.ini.before" "$root/Winamp/winamp.ini" && pass "winamp.ini with the [Songbeam!] settings is untouched" \
    || fail "winamp.ini changed or removed"
[ "$(cat "$plugins/gen_other.dll" 2>/dev/null)" = other ] && pass "other plug-ins stay" \
    || fail "another plug-in was removed"

# A folder without Plugins: silent mode goes on and creates it.
run setup.exe /S '/D=C:\songbeam-installer-test\Bare'; rc=$?
if [ $rc = 0 ] && cmp -s "$build/bin/gen_songbeam.dll" "$root/Bare/Plugins/gen_songbeam.dll"; then
    pass "a folder without Plugins gets Plugins and the DLL"
else
    fail "install into a folder without Plugins (exit $rc): $(ls -R "$root/Bare" | tr '\n' ' ')"
fi
# Run in place (_?=) so that this waits for the uninstaller to end.
run 'C:\songbeam-installer-test\Bare\Plugins\Uninstall Songbeam.exe' /S '_?=C:\songbeam-installer-test\Bare\Plugins'
[ ! -e "$root/Bare/Plugins/gen_songbeam.dll" ] && pass "uninstall run in place removes the DLL" \
    || fail "uninstall run in place left the DLL"

# Without /D=, the player's usual folder under Program Files (for a 32-bit
# installer on 64-bit Windows, Program Files (x86)).
if [ -e "$WINEPREFIX/drive_c/Program Files/Winamp" ] || [ -e "$WINEPREFIX/drive_c/Program Files (x86)/Winamp" ]; then
    echo "skipped: a Winamp folder exists already under Program Files"
else
    run setup.exe /S
    if cmp -s "$build/bin/gen_songbeam.dll" "$WINEPREFIX/drive_c/Program Files/Winamp/Plugins/gen_songbeam.dll" ||
       cmp -s "$build/bin/gen_songbeam.dll" "$WINEPREFIX/drive_c/Program Files (x86)/Winamp/Plugins/gen_songbeam.dll"; then
        pass "the default folder is Program Files\\Winamp"
    else
        fail "without /D= nothing reached Program Files\\Winamp\\Plugins"
    fi
    rm -rf "$WINEPREFIX/drive_c/Program Files/Winamp" "$WINEPREFIX/drive_c/Program Files (x86)/Winamp"
fi

[ $failures = 0 ] && rm -rf "$root" "$work"
echo "$failures failure(s)"
[ $failures = 0 ]
