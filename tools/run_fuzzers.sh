#!/bin/sh
# Runs the music reader and PNG loader fuzzers for SECONDS each, then folds
# what they grew back into the corpora kept in the tree, minimised against
# the seeds (which each build writes afresh) so that the tree keeps only the
# inputs that reach something the seeds do not. Crash inputs land in the
# regression folders, which the test suite replays.
#   usage: run_fuzzers.sh BUILD_DIR SECONDS
set -u

build=$1
seconds=$2
source=$(cd "$(dirname "$0")/.." && pwd)
failed=0

# Writes the seeds and creates the work corpora, as the test fixtures do.
ctest --test-dir "$build" -R '^(sound_fuzz_seeds|fuzz_seed_corpus)$' > /dev/null || exit 1

# name binary seeds work tree regressions [options...]
fuzz() {
    name=$1 binary=$2 seeds=$3 work=$4 tree=$5 regressions=$6
    shift 6
    mkdir -p "$work" "$tree"
    log="$build/$name.log"
    echo "$name: fuzzing for $seconds s"
    "$binary" -max_total_time="$seconds" -close_fd_mask=2 -print_final_stats=1 "$@" \
        -artifact_prefix="$regressions/" "$work" "$tree" "$seeds" > "$log" 2>&1 || {
        failed=1
        echo "$name: found a fault (input kept in $regressions; log in $log)"
    }
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec):' "$log" | sed "s/^/$name: /"

    merged=$(mktemp -d)
    cp "$seeds"/* "$merged"/
    "$binary" -merge=1 -close_fd_mask=2 "$@" "$merged" "$tree" "$work" > "$log.merge" 2>&1 || {
        failed=1
        echo "$name: merging the corpus failed (log in $log.merge)"
        rm -rf "$merged"
        return
    }
    for seed in "$seeds"/*; do rm -f "$merged/$(basename "$seed")"; done
    rm -f "$tree"/*
    cp "$merged"/* "$tree"/ 2>/dev/null
    rm -rf "$merged"
    echo "$name: corpus in the tree: $(ls "$tree" | wc -l) files, $(cat "$tree"/* 2>/dev/null | wc -c) bytes"
}

fuzz fuzz_music_reader "$build/tests/hardening/fuzz_music_reader" "$build/tests/hardening/sound_seeds" \
    "$build/tests/hardening/music_corpus" "$source/tests/hardening/music_reader_corpus" \
    "$source/tests/hardening/sound_fuzz_regressions" -timeout=10 -malloc_limit_mb=64
fuzz fuzz_load_png "$build/tests/gfx/fuzz_load_png" "$build/tests/gfx/fuzz_seeds" \
    "$build/tests/gfx/fuzz_corpus" "$source/tests/gfx/fuzz_corpus" \
    "$source/tests/gfx/fuzz_regressions" -dict="$source/tests/gfx/png.dict"
exit $failed
