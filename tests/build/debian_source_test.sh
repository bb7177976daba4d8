#!/bin/bash
# debian_source.sh unpack on a small source package made here, offline, with
# apt given an empty source list: pinned files an earlier build kept are
# unpacked without asking the archive; a kept file that differs from its pin
# sends it to the archive, which then fails naming the version it lacks; a
# package the pins do not name fails. Each failure is one tagged line.
#   debian_source_test.sh DEBIAN_SOURCE_DIR WORK_DIR
set -u
debian_source=$1
work=$2
command -v dpkg-source >/dev/null || { echo "dpkg-source is missing (dpkg-dev): skipped"; exit 77; }

failures=0
check() {
    if ! eval "$2"; then
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

rm -rf "$work" && mkdir -p "$work/package/tiny-1.0/debian/source" "$work/apt/empty" \
    "$work/apt/state/lists/partial" "$work/apt/cache/archives/partial" || exit 1
cd "$work" || exit 1

package=package/tiny-1.0
echo "a pinned source" >$package/content.txt
echo "3.0 (native)" >$package/debian/source/format
printf 'Source: tiny\nMaintainer: Nobody <nobody@example.org>\n\nPackage: tiny\nArchitecture: all\nDescription: test\n test\n' \
    >$package/debian/control
printf 'tiny (1.0) unstable; urgency=low\n\n  * Test.\n\n -- Nobody <nobody@example.org>  Thu, 01 Jan 2026 00:00:00 +0000\n' \
    >$package/debian/changelog
(cd package && dpkg-source -q -b tiny-1.0 >/dev/null 2>&1) || { echo "dpkg-source -b failed"; exit 1; }

# A build tree's download folder, as unpack leaves it, and the pins of its files.
mkdir -p tree/tiny.debian
cp package/tiny_1.0.dsc package/tiny_1.0.tar.xz tree/tiny.debian/
{
    echo "# package version file sha256"
    for name in tiny_1.0.dsc tiny_1.0.tar.xz; do
        echo "tiny 1.0 $name $(sha256sum "package/$name" | cut -d' ' -f1)"
    done
} >pins.txt

touch apt/state/status apt/sources.list
sed -e "s|@APT_DIR@|$work/apt|g" -e "s|@DEBIAN_TIMEOUT_S@|5|g" "$debian_source/apt.conf.in" >apt/apt.conf
unpack() {
    APT_CONFIG=$work/apt/apt.conf bash "$debian_source/debian_source.sh" unpack pins.txt "$1" tree/"$1" \
        >out.txt 2>err.txt
}

unpack tiny
status=$?
check "kept files unpack (status $status: $(cat err.txt))" '[ $status -eq 0 ]'
check "the unpacked source holds the package's file" 'cmp -s tree/tiny/content.txt package/tiny-1.0/content.txt'
check "the version used is named" 'grep -qx "debian: using tiny 1.0" out.txt'

echo "another source" >tree/tiny.debian/tiny_1.0.tar.xz
unpack tiny
status=$?
check "a file that differs from its pin fails (status $status)" '[ $status -eq 1 ]'
check "the failure names the pinned version the archive lacks ($(cat err.txt))" \
    'grep -qx "pelmira15: tiny 1.0, pinned in pins.txt, is not in .*" err.txt && [ "$(wc -l <err.txt)" -eq 1 ]'

unpack other
status=$?
check "an unpinned package fails (status $status)" '[ $status -eq 1 ]'
check "the failure names it ($(cat err.txt))" 'grep -qx "pelmira15: pins.txt pins no version of other" err.txt'

[ $failures -eq 0 ] && echo "debian_source.sh: all checks passed"
[ $failures -eq 0 ]
