#!/bin/bash
# The Windows libraries (make windows-deps) as a program uses them: a small
# GUI program linked with the toolchain file against windows_deps::sdl2main,
# ::png and ::mpg123 carries no runtime DLL but libmpg123.dll, and run under
# Wine in a prefix of its own it reports SDL's drivers, decodes a picture to
# the same pixels as the native libpng and the music's first frames to the
# native libmpg123's samples (within 1 a sample: the decoders' rounding).
#   windows_third_party_test.sh SOURCE_DIR PREFIX PICTURE MUSIC WORK_DIR
# Skipped (77) when the prefix or a tool is missing.
set -u
source_dir=$(realpath -m "$1")
prefix=$(realpath -m "$2")
picture=$(realpath -m "$3")
music=$(realpath -m "$4")
work=$(realpath -m "$5")
WINE_LIMIT_S=120
SDL_AUDIO_DRIVERS=wasapi,directsound,winmm,disk,dummy

skip() {
    echo "$*: skipped"
    exit 77
}
[ -f "$prefix/deps.cmake" ] || skip "no Windows libraries in $prefix (make windows-deps)"
for tool in wine wineserver x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump pkg-config; do
    command -v $tool >/dev/null || skip "$tool is missing"
done
for file in "$picture" "$music"; do
    [ -f "$file" ] || { echo "FAILED: $file is missing (make build makes the data)"; exit 1; }
done

failures=0
check() {
    if ! eval "$2"; then
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

rm -rf "$work" && mkdir -p "$work" || exit 1
smoke_source=$source_dir/tests/build/windows_third_party
cmake -S "$smoke_source" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/platform/windows/mingw-w64.cmake" \
    -DPELMIRA_WINDOWS_DEPS="$prefix" >"$work/configure.log" 2>&1 &&
    cmake --build "$work/build" >"$work/build.log" 2>&1 ||
    { cat "$work/configure.log" "$work/build.log"; echo "FAILED: the smoke program does not build"; exit 1; }
program=$work/build/third_party_smoke.exe

headers=$(x86_64-w64-mingw32-objdump -p "$program")
check "it is a GUI program" 'grep -q "Subsystem.*(Windows GUI)" <<<"$headers"'
imported=$(awk '/DLL Name:/ { print $3 }' <<<"$headers" | sort | paste -sd ' ' -)
check "no C++, GCC or thread runtime DLL is imported ($imported)" \
    '! grep -qiE "libstdc|libgcc|winpthread" <<<"$imported"'
check "libmpg123.dll is imported and lies beside it" \
    'grep -qw libmpg123.dll <<<"$imported" && [ -f "$work/build/libmpg123.dll" ]'

# shellcheck disable=SC2046 # pkg-config's flags are words
g++ -std=c++17 -O1 -o "$work/native_smoke" "$smoke_source/third_party_smoke.cpp" \
    $(pkg-config --cflags --libs sdl2 libpng libmpg123) 2>"$work/native.log" ||
    { cat "$work/native.log"; echo "FAILED: the native smoke program does not build"; exit 1; }
"$work/native_smoke" "$picture" "$music" >"$work/native.txt" 2>&1 ||
    { cat "$work/native.txt"; echo "FAILED: the native smoke program fails"; exit 1; }

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
# The prefix is hundreds of megabytes: gone with its server whatever happens.
trap 'wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX"' EXIT
(unset DISPLAY WAYLAND_DISPLAY
 timeout "$WINE_LIMIT_S" wine "$program" "$(winepath -w "$picture" 2>/dev/null)" \
     "$(winepath -w "$music" 2>/dev/null)") >"$work/windows.out" 2>"$work/wine.log"
status=$?
# Its stdout is in text mode: CR LF line ends.
tr -d '\r' <"$work/windows.out" >"$work/windows.txt"
check "it runs under Wine (status $status: $(grep -m1 'smoke:' "$work/windows.txt" "$work/wine.log"))" \
    '[ $status -eq 0 ]'

line() { grep -m1 "^$1 " "$2"; }
read -r _ sdl_version _ video_drivers _ audio_drivers < <(line sdl "$work/windows.txt")
check "SDL 2.26.5 ($sdl_version)" '[ "${sdl_version:-}" = 2.26.5 ]'
check "SDL's video driver is windows alone (${video_drivers:-})" '[ "${video_drivers:-}" = windows ]'
check "SDL's audio drivers are $SDL_AUDIO_DRIVERS (${audio_drivers:-})" \
    '[ "${audio_drivers:-}" = "$SDL_AUDIO_DRIVERS" ]'
check "the picture decodes to the native pixels ($(line png "$work/windows.txt") against $(line png "$work/native.txt"))" \
    '[ -n "$(line png "$work/windows.txt")" ] && [ "$(line png "$work/windows.txt")" = "$(line png "$work/native.txt")" ]'
read -r _ rate channels samples magnitude < <(line mp3 "$work/windows.txt")
read -r _ native_rate native_channels native_samples native_magnitude < <(line mp3 "$work/native.txt")
check "the music's first frames decode to the native samples ($(line mp3 "$work/windows.txt") against $(line mp3 "$work/native.txt"))" \
    '[ -n "${samples:-}" ] && [ "$rate $channels $samples" = "$native_rate $native_channels $native_samples" ] &&
     [ $(( magnitude > native_magnitude ? magnitude - native_magnitude : native_magnitude - magnitude )) -le $samples ]'

[ $failures -eq 0 ] && echo "windows_third_party: all checks passed"
[ $failures -eq 0 ]
