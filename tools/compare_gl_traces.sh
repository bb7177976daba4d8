#!/usr/bin/env bash
# compare_gl_traces.sh BASE_RECORDER HEAD_RECORDER [recorder options]
#
# Records the same range with two builds of pelmira15-capture under apitrace
# (Debian's apitrace package) and compares the streams of GL calls they make,
# names and arguments, with addresses and object pointers masked. For a
# refactor that must not change what is drawn, the streams must be equal.
# The options default to a short range: --fps 10 --from 60000 --to 61000
# --escape-at 60500. Each recorder finds its own data beside its build tree.
set -euo pipefail
[ $# -ge 2 ] || { sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
base=$(realpath "$1") head=$(realpath "$2"); shift 2
[ $# -gt 0 ] || set -- --fps 10 --from 60000 --to 61000 --escape-at 60500
command -v apitrace >/dev/null || { echo "compare_gl_traces: needs apitrace (apt-get install apitrace)"; exit 2; }
scratch=$(mktemp -d /tmp/gl-traces.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

calls() {  # calls NAME RECORDER: trace one recording, dump its calls, addresses masked
    local name=$1 recorder=$2
    shift 2
    SDL_AUDIODRIVER=dummy apitrace trace --api egl -o "$scratch/$name.trace" \
        "$recorder" "$@" "$scratch/$name-frames/" >/dev/null 2>&1 || true
    apitrace dump --color=never --call-nos=no "$scratch/$name.trace" |
        sed -E -e '/^\/\//d' -e 's/0x[0-9a-f]+/ADDR/g' > "$scratch/$name.calls"
}
opts=("$@")
calls base "$base" "${opts[@]}"
calls head "$head" "${opts[@]}"
n=$(wc -l < "$scratch/base.calls")
if cmp -s "$scratch/base.calls" "$scratch/head.calls"; then
    echo "compare_gl_traces: the same $n calls"
else
    echo "compare_gl_traces: the streams differ (base $n calls, head $(wc -l < "$scratch/head.calls"))"
    diff "$scratch/base.calls" "$scratch/head.calls" | head -n 20
    exit 1
fi
