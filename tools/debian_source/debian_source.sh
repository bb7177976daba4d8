#!/bin/bash
# Debian source packages through apt's own machinery, run with a private
# configuration (APT_CONFIG, written by CMakeLists.txt into the build tree):
# no root, no lock on and no change to the system's apt set-up.
#
#   debian_source.sh update SUITE...    fetch the signed source indexes; the
#                                       first suite must have one, the others
#                                       are used where the archive has them
#   debian_source.sh unpack PINS PACKAGE DIR
#                                       the version PINS names (see
#                                       debian_sources.txt), each file checked
#                                       against its pinned SHA-256 sum,
#                                       Debian's patches applied, unpacked
#                                       into DIR; the files stay in DIR.debian
#                                       and a rebuild fetches none again
#   debian_source.sh newest PACKAGE...  prints PINS lines for the newest
#                                       version of each that the archive serves
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

# The index's files of one version, "uri name sha256" a line, the upstream
# signature left out (no upstream keyring here; every file that is unpacked
# is checked by its sum). Empty when the indexes do not list the version.
indexed_files() {
    local package=$1 version=$2 empty
    empty=$(mktemp -d) || fail "cannot create a temporary folder"
    # apt leaves out files already in its working folder: ask from an empty one.
    (cd "$empty" && apt-get -q source --print-uris --only-source "$package=$version" 2>/dev/null) |
        awk "/^'/ && \$2 !~ /[.]asc\$/ { gsub(\"'\", \"\", \$1); sub(/^SHA256:/, \"\", \$4); print \$1, \$2, \$4 }"
    rmdir "$empty"
}

# Downloads one file into the folder given, checked against the sum given.
# Answers 0 when it arrived, 2 when the archive does not serve it (404), 1 for
# any other failure, which also prints its line.
download_file() {
    local uri=$1 name=$2 sum=$3 folder=$4 log=$4/download.log
    echo "debian: $uri"
    timeout "$DOWNLOAD_LIMIT_S" "$APT_HELPER" -q download-file "$uri" "$folder/$name" "SHA256:$sum" \
        >"$log" 2>&1 && return 0
    grep -q '404 ' "$log" && return 2
    echo "pelmira15: cannot fetch $uri: $(apt_reason "$log" || echo "no answer within $DOWNLOAD_LIMIT_S s")" >&2
    return 1
}

# The pinned lines of one package: "version name sha256" each.
pinned_files() {
    awk -v package="$2" '!/^#/ && NF == 4 && $1 == package { print $2, $3, $4 }' "$1"
}

# Whether the folder holds the file with the sum given.
has_file() {
    echo "$3  $1/$2" | sha256sum --quiet --status -c - 2>/dev/null
}

# Fetches the pinned files of a package that the folder lacks (or holds with
# another sum), from the version's index entry, each checked against its pin.
# Fails naming the version, or the file, that the archive no longer lists or
# serves. Asks the archive nothing when the folder holds them all.
fetch_pinned() {
    local pins=$1 package=$2 version=$3 folder=$4 name sum
    local -a missing=()
    while read -r _ name sum; do
        has_file "$folder" "$name" "$sum" || missing+=("$name $sum")
    done < <(pinned_files "$pins" "$package")
    [ ${#missing[@]} -gt 0 ] || return 0

    local listing
    listing=$(indexed_files "$package" "$version")
    if [ -z "$listing" ]; then
        fail "$package $version, pinned in $pins, is not in Debian's source indexes" \
             "(they list: $(versions_newest_first "$package" | paste -sd ' ' -)); pin a served version" \
             "(the deps tree's target newest_debian_sources writes the lines)"
    fi
    local entry uri indexed_sum outcome
    for entry in "${missing[@]}"; do
        read -r name sum <<<"$entry"
        uri=
        read -r uri _ indexed_sum < <(awk -v name="$name" '$2 == name' <<<"$listing")
        [ -n "$uri" ] || fail "$package $version: the index has no file $name"
        [ "$indexed_sum" = "$sum" ] ||
            fail "$package $version: the index's $name has SHA-256 $indexed_sum, pinned $sum"
        rm -f "$folder/$name"
        download_file "$uri" "$name" "$sum" "$folder"
        outcome=$?
        [ $outcome -eq 2 ] && fail "$package $version: $name is indexed but no longer served (404);" \
                                   "pin a served version (the deps tree's target newest_debian_sources)"
        [ $outcome -eq 0 ] || exit 1
    done
}

unpack() {
    local pins=$1 package=$2 destination=$3
    local version
    version=$(pinned_files "$pins" "$package" | awk '{ print $1 }' | sort -u)
    [ -n "$version" ] || fail "$pins pins no version of $package"
    [ "$(wc -l <<<"$version")" -eq 1 ] || fail "$pins pins more than one version of $package"

    # Pinned files kept from an earlier build are used again, unfetched.
    local downloads=$destination.debian
    mkdir -p "$downloads" || fail "cannot create $downloads"
    fetch_pinned "$pins" "$package" "$version" "$downloads"
    local name sum dsc=
    while read -r _ name sum; do
        has_file "$downloads" "$name" "$sum" ||
            fail "$package $version: $downloads/$name does not have its pinned SHA-256 $sum"
        [[ $name == *.dsc ]] && dsc=$downloads/$name
    done < <(pinned_files "$pins" "$package")
    [ -n "$dsc" ] || fail "$package $version: no .dsc among its pinned files"
    rm -rf "$destination"
    # --no-check: the sums were checked above; the maintainer's signature
    # would need debian-keyring, which a build machine lacks.
    dpkg-source -q --no-check -x "$dsc" "$destination" ||
        fail "dpkg-source could not unpack $package $version"
    echo "debian: using $package $version"
}

# The pin lines of the newest version of each package whose files the
# archive serves, on stdout, each file downloaded once to prove it is served.
newest() {
    local package version trial uri name sum outcome
    trial=$(mktemp -d) || fail "cannot create a temporary folder"
    for package in "$@"; do
        local found=
        while read -r version; do
            rm -f "$trial"/*
            local lines=()
            outcome=0
            while read -r uri name sum; do
                download_file "$uri" "$name" "$sum" "$trial" >&2
                outcome=$?
                [ $outcome -eq 0 ] || break
                lines+=("$package $version $name $sum")
            done < <(indexed_files "$package" "$version")
            [ $outcome -eq 1 ] && exit 1
            if [ $outcome -eq 0 ] && [ ${#lines[@]} -gt 0 ]; then
                printf '%s\n' "${lines[@]}"
                found=1
                break
            fi
            echo "debian: $package $version is indexed but not served (404)" >&2
        done < <(versions_newest_first "$package")
        [ -n "$found" ] || fail "the archive serves no version of $package"
    done
    rm -rf "$trial"
}

# Without its private configuration apt would work on the system's own state.
[ -f "${APT_CONFIG:-}" ] || fail "debian_source.sh: APT_CONFIG must name the build tree's apt.conf"

command=${1:-}
shift || true
case "$command" in
update) [ $# -ge 1 ] || fail "debian_source.sh update: no suite given"; update "$@" ;;
unpack) [ $# -eq 3 ] || fail "debian_source.sh unpack: give PINS PACKAGE DIR"; unpack "$@" ;;
newest) [ $# -ge 1 ] || fail "debian_source.sh newest: no package given"; newest "$@" ;;
*) fail "debian_source.sh: unknown command '$command' (update, unpack or newest)" ;;
esac
