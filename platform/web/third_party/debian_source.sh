#!/bin/bash
# Debian source packages through apt's own machinery, run with a private
# configuration (APT_CONFIG, written by CMakeLists.txt into the build tree):
# no root, no lock on and no change to the system's apt set-up.
#
#   debian_source.sh update SUITE...    fetch the signed source indexes; the
#                                       first suite must have one, the others
#                                       are used where the archive has them
#   debian_source.sh unpack PACKAGE DIR newest version whose files the archive
#                                       serves, checked against the index's
#                                       SHA256 sums, Debian's patches applied,
#                                       unpacked into DIR
#
# Every failure ends with one line tagged "pelmira15:" on stderr and status 1.
set -u -o pipefail

APT_HELPER=/usr/lib/apt/apt-helper
# apt's own timeout (apt.conf) ends a silent connection; these bound the whole
# of a fetch, so a server that trickles or stalls between retries cannot hang
# the build either.
UPDATE_LIMIT_S=120
DOWNLOAD_LIMIT_S=300
TIMED_OUT=124

fail() {
    echo "pelmira15: $*" >&2
    exit 1
}

# The first error apt wrote, in its own words: an "E:" line, or the failed
# fetch it only warns about (an archive out of reach).
apt_reason() {
    grep -m1 -E '^(E: |W: Failed to fetch )' "$1" | sed -E 's/^(E|W): //'
}

update() {
    local required=$1 log
    log=$(mktemp) || fail "cannot create a temporary file"
    # Failing suites are reported below; apt's status alone cannot tell a
    # missing optional index from an archive out of reach.
    timeout "$UPDATE_LIMIT_S" apt-get -q update >"$log" 2>&1
    local status=$?
    cat "$log"
    if [ $status -eq $TIMED_OUT ]; then
        rm -f "$log"
        fail "the Debian archive did not answer within $UPDATE_LIMIT_S s"
    fi
    local indexed
    indexed=$(apt-get indextargets --format '$(CODENAME)' 'Created-By: Sources' | sort -u)
    local suite
    for suite in "$@"; do
        if ! grep -qx "$suite" <<<"$indexed"; then
            if [ "$suite" = "$required" ]; then
                local reason
                reason=$(apt_reason "$log")
                rm -f "$log"
                fail "no Debian source index for $suite: ${reason:-apt-get update failed}"
            fi
            echo "debian: $suite has no source index on the archive, left out"
        fi
    done
    rm -f "$log"
}

# Source versions of a package over all indexed suites, newest first in
# dpkg's ordering (epochs and ~ included).
versions_newest_first() {
    local -a pending sorted=()
    mapfile -t pending < <(apt-cache madison "$1" |
        awk -F' [|] ' '$3 ~ / Sources$/ { print $2 }' | sort -u)
    while [ ${#pending[@]} -gt 0 ]; do
        local newest=${pending[0]} version
        for version in "${pending[@]}"; do
            dpkg --compare-versions "$version" gt "$newest" && newest=$version
        done
        sorted+=("$newest")
        local -a rest=()
        for version in "${pending[@]}"; do
            [ "$version" != "$newest" ] && rest+=("$version")
        done
        pending=("${rest[@]+"${rest[@]}"}")
    done
    printf '%s\n' "${sorted[@]+"${sorted[@]}"}"
}

# Downloads one version's files into the folder given, each checked against
# the SHA256 sum of the signed index. Answers 0 when all arrived, 2 when the
# archive does not serve one of them (404), 1 for any other failure, which
# also prints its line.
download_version() {
    local package=$1 version=$2 folder=$3 listing
    listing=$(cd "$folder" && apt-get -q source --print-uris --only-source "$package=$version" 2>&1) ||
        { echo "pelmira15: $package $version: $(grep -m1 '^E: ' <<<"$listing" | sed 's/^E: //')" >&2; return 1; }
    local uri name size hash log
    log=$folder/download.log
    while read -r uri name size hash; do
        uri=${uri//\'/}
        # The upstream signature is not checked here (no upstream keyring);
        # every file that is unpacked is checked by its sum.
        [[ $name == *.asc ]] && continue
        echo "debian: $uri"
        if ! timeout "$DOWNLOAD_LIMIT_S" "$APT_HELPER" -q download-file "$uri" "$folder/$name" \
            "$hash" >"$log" 2>&1; then
            if grep -q '404 ' "$log"; then
                echo "debian: $package $version: $name is indexed but not served (404)"
                return 2
            fi
            echo "pelmira15: cannot fetch $uri: $(apt_reason "$log" || echo "no answer within $DOWNLOAD_LIMIT_S s")" >&2
            return 1
        fi
    done < <(grep "^'" <<<"$listing")
    return 0
}

unpack() {
    local package=$1 destination=$2
    local -a versions
    mapfile -t versions < <(versions_newest_first "$package")
    [ ${#versions[@]} -gt 0 ] || fail "Debian's source indexes list no package $package"

    local downloads=$destination.debian version outcome
    for version in "${versions[@]}"; do
        rm -rf "$downloads" && mkdir -p "$downloads" || fail "cannot create $downloads"
        download_version "$package" "$version" "$downloads"
        outcome=$?
        [ $outcome -eq 1 ] && exit 1
        [ $outcome -eq 2 ] && continue

        local dsc
        dsc=$(ls "$downloads"/*.dsc 2>/dev/null | head -n1)
        [ -n "$dsc" ] || fail "$package $version: no .dsc among its files"
        rm -rf "$destination"
        # --no-check: the sums were checked on download; the maintainer's
        # signature would need debian-keyring, which a build machine lacks.
        dpkg-source -q --no-check -x "$dsc" "$destination" ||
            fail "dpkg-source could not unpack $package $version"
        echo "debian: using $package $version"
        return 0
    done
    fail "the archive serves no version of $package (tried: ${versions[*]})"
}

# Without its private configuration apt would work on the system's own state.
[ -f "${APT_CONFIG:-}" ] || fail "debian_source.sh: APT_CONFIG must name the build tree's apt.conf"

command=${1:-}
shift || true
case "$command" in
update) [ $# -ge 1 ] || fail "debian_source.sh update: no suite given"; update "$@" ;;
unpack) [ $# -eq 2 ] || fail "debian_source.sh unpack: give PACKAGE DIR"; unpack "$@" ;;
*) fail "debian_source.sh: unknown command '$command' (update or unpack)" ;;
esac
