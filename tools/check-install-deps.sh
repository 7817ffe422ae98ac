#!/bin/sh
# tools/install-deps.sh against a package manager that fails as a mirror in
# mid-sync does: the security suite's i386 index arrives with the wrong size
# (the amd64 one arrives), and the install then finds no i386 twin of the
# newer amd64 libraries. A fake apt-get, dpkg-query, dpkg and id on PATH
# play the machine; each run says what the script did.
#   tools/check-install-deps.sh
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/install-deps-check.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

fake() { printf '#!/bin/sh\n%s\n' "$2" > "$work/bin/$1"; chmod +x "$work/bin/$1"; }
fake id 'echo 0'
fake dpkg 'echo i386'
fake dpkg-query 'exit 1'  # nothing is installed
fake sleep 'exit 0'
fake locale 'printf "ru_RU.utf8\nja_JP.utf8\n"'
fake localedef 'exit 0'
# MODE: lagging (the mirror above), sane, or broken (an install that fails
# with every index there).
fake apt-get '
echo "apt-get $*" >> "$LOG"
case "$1:$MODE" in
    update:lagging)
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
        exit 100 ;;
    update:*) exit 0 ;;
esac
case " $* " in *" -t "*) [ "$MODE" = lagging ] && exit 0 ;; esac
[ "$MODE" = sane ] && exit 0
echo " libwine : Depends: libgstreamer-plugins-base1.0-0 (>= 1.0.0) but it is not installable"
echo "E: Unable to correct problems, you have held broken packages."
exit 100'
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' > "$work/os-release"

run() {
    : > "$work/log"
    MODE=$1 LOG="$work/log" SONGBEAM_OS_RELEASE="$work/os-release" PATH="$work/bin:$PATH" \
        sh "$src/tools/install-deps.sh" > "$work/out" 2> "$work/err"
}

run lagging; status=$?
[ $status = 0 ] || fail "lagging mirror: install-deps failed ($status)"
[ "$(grep -c '^apt-get update' "$work/log")" = 4 ] || fail "lagging mirror: update not tried four times"
grep -q '^apt-get install .* -t bookworm ' "$work/log" || fail "lagging mirror: no install from the release's own suite"
[ "$(grep -c 'index did not arrive' "$work/err")" = 1 ] || fail "lagging mirror: not said in one line: $(cat "$work/err")"
grep -q 'the i386 index did not arrive' "$work/err" || fail "lagging mirror: the architecture not named"

run sane; status=$?
[ $status = 0 ] || fail "sane indexes: install-deps failed ($status)"
[ "$(cut -d' ' -f2 "$work/log" | tr '\n' ' ')" = "update install " ] ||
    fail "sane indexes: not one update and one install: $(cat "$work/log")"
grep -q -- ' -t ' "$work/log" && fail "sane indexes: installed from another suite"
[ -s "$work/err" ] && fail "sane indexes: said more than today: $(cat "$work/err")"

run broken; status=$?
[ $status != 0 ] || fail "an install that fails with every index there: install-deps succeeded"
grep -q -- ' -t ' "$work/log" && fail "an install that fails with every index there: tried another suite"

echo "$failures failure(s)"
[ $failures = 0 ]
