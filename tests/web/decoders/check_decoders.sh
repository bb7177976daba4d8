#!/bin/bash
# The picture and track decoders built for WebAssembly against the web
# libraries give what the native build gives on the same data files:
#
#   check_decoders.sh DEPS_PREFIX DATA_DIR WORK_DIR
#
# DEPS_PREFIX is the third-party prefix (build/web/deps/prefix), DATA_DIR
# holds the native build's pictures and track. Both builds of decoded_dump
# come from the show's own decoder sources; the native one links the
# system's libpng and libmpg123 as the show does, and does the comparing.
set -eu -o pipefail

[ $# -eq 3 ] || { echo "usage: $0 DEPS_PREFIX DATA_DIR WORK_DIR" >&2; exit 2; }
prefix=$(realpath "$1")
data=$(realpath "$2")
work=$3
repo=$(realpath "$(dirname "$0")/../../..")
here=$repo/tests/web/decoders

for library in libz.a libpng16.a libmpg123.a; do
    [ -f "$prefix/lib/$library" ] ||
        { echo "pelmira15: $prefix/lib/$library is missing: build the web libraries first" >&2; exit 1; }
done
shopt -s nullglob
files=("$data"/*.png "$data"/*.mp3)
[ ${#files[@]} -gt 0 ] || { echo "pelmira15: no pictures or track in $data" >&2; exit 1; }

# emcc finds its JavaScript tools through Debian's node modules, whichever node is first on PATH.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Files open as on POSIX in both builds.
sources=("$here/decoded_dump.cpp" "$repo/gfx/png_decoder.cpp" "$repo/audio/track_decoder.cpp"
         "$repo/platform/posix/file_path.cpp")
mkdir -p "$work"

c++ -std=c++17 -O2 -I"$repo" "${sources[@]}" $(pkg-config --cflags --libs libpng libmpg123) \
    -o "$work/decoded_dump"
# NODERAWFS: the WebAssembly build reads and writes the real files under node.
em++ -std=c++17 -O2 -I"$repo" -I"$prefix/include" "${sources[@]}" \
    "$prefix/lib/libpng16.a" "$prefix/lib/libz.a" "$prefix/lib/libmpg123.a" \
    -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -o "$work/decoded_dump.js"

rm -rf "$work/native" "$work/web"
"$work/decoded_dump" "$work/native" "${files[@]}"
# Node 20 runs emscripten 3.1.6's output only without its own fetch.
node --no-experimental-fetch "$work/decoded_dump.js" "$work/web" "${files[@]}"
"$work/decoded_dump" --compare "$work/native" "$work/web"
