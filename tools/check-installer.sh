#!/bin/sh
# The installer and the uninstaller, run silently in Wine as a user's script
# would run them:
#   - setup.exe /S /D=<player folder> puts gen_songbeam.dll, byte for byte,
#     into <player folder>\Plugins, with the uninstaller beside it, and writes
#     the Add/Remove Programs entry (the machine's Uninstall\Songbeam key, in
#     the installer's registry view) with every value Windows shows;
#   - the uninstaller removes the DLL, itself and the entry, and leaves the
#     player's INI file (with the plug-in's settings), other plug-ins and the
#     folders it did not create untouched;
#   - a folder without Plugins, or missing altogether, is created in silent
#     mode, and removed again by the uninstaller when it is empty (never when
#     anything else is in it), also after a second install over the first;
#   - without /D= it installs into Program Files\Winamp;
#   - the installer's version texts name the publisher and the licence;
#   - the same files give the same installer, byte for byte.
#
#   tools/check-installer.sh BUILD_DIR ARCH
# BUILD_DIR is a Windows build tree with its Wine prefix ready
# (tools/wine-env.sh); ARCH is i686 or x86_64. On i686 this is the shipped
# 32-bit installer, the file `make dist` puts into dist/; on x86_64 (a machine that runs no 32-bit programs) the
# same script is built for amd64 around the x86_64 DLL.
set -u
build=$(cd "$1" && pwd); arch=$2
src=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
if [ "$arch" = i686 ]; then
    wine=/usr/lib/wine/wine; target=; view=/reg:32
else
    wine=/usr/lib/wine/wine64; target=-DTEST_TARGET=amd64-unicode; view=/reg:64
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

work="$build/release-installer"
rm -rf "$work"; mkdir -p "$work/stage"
dll="$work/stage/gen_songbeam.dll"
cp "$build/bin/gen_songbeam.dll" "$dll" || exit 1
touch -d '2026-01-01 00:00:00 UTC' "$dll"

if [ "$arch" = i686 ]; then
    # The very installer that `make dist` ships.
    "$src/tools/make-dist.sh" "$work/dist" >/dev/null || exit 1
    cp "$work/dist/songbeam-0.1-setup.exe" "$work/setup.exe"
else
    # shellcheck disable=SC2086
    makensis -V1 $target -DDLL="$dll" -DOUTFILE="$work/setup.exe" "$src/installer/songbeam.nsi" || exit 1
fi
# shellcheck disable=SC2086
makensis -V1 $target -DDLL="$dll" -DOUTFILE="$work/setup-again.exe" "$src/installer/songbeam.nsi" || exit 1
cmp -s "$work/setup.exe" "$work/setup-again.exe" && pass "two builds of the installer are identical" \
    || fail "two builds of the installer differ"

# The version texts Windows shows on the installer's Details page.
texts=$(strings -e l "$work/setup.exe")
if echo "$texts" | grep -qx 'the Songbeam! team' &&
   echo "$texts" | grep -qx 'Copyright (c) 2026 the Songbeam! team. MIT licence.'; then
    pass "the installer's version texts name the publisher and the licence"
else
    fail "CompanyName or LegalCopyright missing from the installer's version texts"
fi

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

# The Add/Remove Programs entry: one "name  type  data" line per value, none
# when the key is missing; one value's data.
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Songbeam'
entry() { "$wine" reg query "$key" $view </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^    //p'; }
value() { entry | sed -n "s/^$1 *REG_[A-Z_]* *//p"; }
# Waits (at most 30 s) until the entry is gone: the uninstaller removes it last.
entry_gone() {
    i=0
    while [ $i -lt 60 ]; do
        [ -z "$(entry)" ] && return 0
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

# The entry, value by value.
here='C:\songbeam-installer-test\Winamp\Plugins'
mismatches=0
while IFS='|' read -r name expected; do
    got=$(value "$name")
    [ "$got" = "$expected" ] || { fail "$name is '$got', not '$expected'"; mismatches=1; }
done <<VALUES
DisplayName|Songbeam! 0.1
DisplayVersion|0.1
Publisher|the Songbeam! team
InstallLocation|$here
UninstallString|"$here\\Uninstall Songbeam.exe"
QuietUninstallString|"$here\\Uninstall Songbeam.exe" /S
NoModify|0x1
NoRepair|0x1
CreatedFolders|0x0
VALUES
[ $mismatches = 0 ] && pass "the uninstall entry names the plug-in, its folder and its uninstaller"
size=$(value EstimatedSize)
[ -n "$size" ] && [ $((size)) -ge 20 ] && [ $((size)) -le 400 ] && pass "EstimatedSize is $((size)) KiB" \
    || fail "EstimatedSize is '$size'"

# Uninstall as Windows runs it from the entry (the uninstaller relaunches
# itself from the temporary folder).
run "$here\\Uninstall Songbeam.exe" /S; rc=$?
[ $rc = 0 ] && pass "silent uninstall exits with 0" || fail "silent uninstall exits with $rc"
if gone "$plugins/gen_songbeam.dll" "$plugins/Uninstall Songbeam.exe"; then
    pass "the uninstaller removed the DLL and itself"
else
    fail "after uninstall Plugins holds: $(ls "$plugins" | tr '\n' ' ')"
fi
entry_gone && pass "the uninstaller removed the uninstall entry" || fail "the uninstall entry stays: $(entry)"
cmp -s "$work/winamp.ini.before" "$root/Winamp/winamp.ini" && pass "winamp.ini with the [Songbeam!] settings is untouched" \
    || fail "winamp.ini changed or removed"
[ "$(cat "$plugins/gen_other.dll" 2>/dev/null)" = other ] && pass "other plug-ins stay" \
    || fail "another plug-in was removed"

# A folder without Plugins: silent mode goes on and creates it.
run setup.exe /S '/D=C:\songbeam-installer-test\Bare'; rc=$?
if [ $rc = 0 ] && cmp -s "$build/bin/gen_songbeam.dll" "$root/Bare/Plugins/gen_songbeam.dll" &&
   [ "$(value CreatedFolders)" = 0x2 ]; then
    pass "a folder without Plugins gets Plugins and the DLL"
else
    fail "install into a folder without Plugins (exit $rc): $(ls -R "$root/Bare" | tr '\n' ' ')"
fi
# Run in place (_?=) so that this waits for the uninstaller to end; in place
# it cannot remove itself, so Plugins is not empty and stays.
run 'C:\songbeam-installer-test\Bare\Plugins\Uninstall Songbeam.exe' /S '_?=C:\songbeam-installer-test\Bare\Plugins'
[ ! -e "$root/Bare/Plugins/gen_songbeam.dll" ] && [ -d "$root/Bare" ] && [ -z "$(entry)" ] \
    && pass "uninstall run in place removes the DLL and the entry, keeps the folder that was there" \
    || fail "uninstall run in place: $(ls -R "$root/Bare" | tr '\n' ' ') $(entry)"

# A player folder that does not exist: both folders are created. The player
# then writes its INI file there, so the uninstaller removes only Plugins.
run setup.exe /S '/D=C:\songbeam-installer-test\New\Winamp'; rc=$?
[ $rc = 0 ] && [ -f "$root/New/Winamp/Plugins/gen_songbeam.dll" ] && [ "$(value CreatedFolders)" = 0x3 ] \
    && pass "a missing player folder is created, and so recorded" \
    || fail "install into a missing folder (exit $rc, CreatedFolders '$(value CreatedFolders)')"
echo '[Winamp]' > "$root/New/Winamp/winamp.ini"
run 'C:\songbeam-installer-test\New\Winamp\Plugins\Uninstall Songbeam.exe' /S
if gone "$root/New/Winamp/Plugins" && entry_gone; then
    pass "the uninstaller removed the Plugins folder it created"
else
    fail "after uninstall New holds: $(ls -R "$root/New" | tr '\n' ' ')"
fi
[ -f "$root/New/Winamp/winamp.ini" ] && pass "a created folder with anything else in it stays" \
    || fail "the uninstaller removed a folder that was not empty"

# Without /D=, the player's usual folder under Program Files (for a 32-bit
# installer on 64-bit Windows, Program Files (x86)). Installed twice: the
# second install keeps the record that the first created both folders, so
# uninstalling leaves nothing behind.
pf="$WINEPREFIX/drive_c/Program Files"
if [ -e "$pf/Winamp" ] || [ -e "$pf (x86)/Winamp" ]; then
    echo "skipped: a Winamp folder exists already under Program Files"
else
    run setup.exe /S
    run setup.exe /S
    if cmp -s "$build/bin/gen_songbeam.dll" "$pf/Winamp/Plugins/gen_songbeam.dll" ||
       cmp -s "$build/bin/gen_songbeam.dll" "$pf (x86)/Winamp/Plugins/gen_songbeam.dll"; then
        pass "the default folder is Program Files\\Winamp"
    else
        fail "without /D= nothing reached Program Files\\Winamp\\Plugins"
    fi
    location=$(value InstallLocation)
    case $location in
        'C:\Program Files\Winamp\Plugins'|'C:\Program Files (x86)\Winamp\Plugins') ;;
        *) fail "InstallLocation is '$location'" ;;
    esac
    run "$location\\Uninstall Songbeam.exe" /S
    if gone "$pf/Winamp" "$pf (x86)/Winamp" && entry_gone; then
        pass "uninstalling after two installs removes both created folders and the entry"
    else
        fail "left behind: $(ls "$pf/Winamp" "$pf (x86)/Winamp" 2>&1 | tr '\n' ' ') $(entry)"
    fi
    rm -rf "$pf/Winamp" "$pf (x86)/Winamp"
fi

[ $failures = 0 ] && rm -rf "$root" "$work"
echo "$failures failure(s)"
[ $failures = 0 ]
