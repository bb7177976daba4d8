#!/bin/bash
# make test's schedule, with every part replaced by this script (--part):
# a plain `make test` (no -j of its own) overlaps what it should, waits for
# what it should, and a part that fails out of sight shows its log, leaves
# the parts after it unrun and fails the whole. Overlap is proved by events:
# a part waits until the part meant to run beside it has started.
#   make_test_schedule_test.sh SOURCE_DIR WORK_DIR
set -u
CEILING_S=120

if [ "$1" = --part ]; then
    name=$2
    echo "start $name" >>"$SCHEDULE_TRACE"
    declare -A beside=([native-build]=web-packages [native-tests]=sanitizer-build [windows-build]=sanitizer-build
                       [sanitizer-tests]=web-tests)
    if [ -n "${beside[$name]:-}" ]; then
        waited=0
        until grep -qx "start ${beside[$name]}" "$SCHEDULE_TRACE"; do
            [ $waited -ge $((CEILING_S * 10)) ] && { echo "${beside[$name]} never started beside $name"; exit 1; }
            sleep 0.1
            waited=$((waited + 1))
        done
    fi
    echo "the output of $name"
    echo "end $name" >>"$SCHEDULE_TRACE"
    [ "$name" != "${SCHEDULE_FAIL:-}" ]
    exit
fi

source_dir=$1
work=$2
self=$(readlink -f "$0")
rm -rf "$work" && mkdir -p "$work" || exit 1
parts="packages web-packages windows-packages native-build native-tests sanitizer-build windows-build web-build
       web-tests windows-tests sanitizer-tests"

failures=0
check() {
    if ! eval "$2"; then
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

# Runs make test with every part this script; answers make's status.
run_make_test() {
    local -a overrides=(BUILD_DIR="$work/build")
    local part
    for part in $parts; do
        overrides+=("TEST_PART_TARGET_$part=" "TEST_PART_COMMAND_$part=bash $self --part $part")
    done
    : >"$work/trace"
    env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL SCHEDULE_TRACE="$work/trace" SCHEDULE_FAIL="$1" \
        timeout $((CEILING_S * 3)) make --no-print-directory -C "$source_dir" test "${overrides[@]}" \
        >"$work/out" 2>&1
}

# Line numbers in the trace, to order events.
at() { grep -nx "$1" "$work/trace" | cut -d: -f1; }
before() { local a b; a=$(at "$1"); b=$(at "$2"); [ -n "$a" ] && [ -n "$b" ] && [ "$a" -lt "$b" ]; }

run_make_test ""
status=$?
check "make test passes when every part does (status $status)" '[ $status -eq 0 ]'
for part in $parts; do
    check "$part ran and passed" 'grep -qE "^  $part +passed in" "$work/out"'
done
for waits in packages:web-packages packages:native-build web-packages:web-build native-build:sanitizer-build \
             web-packages:windows-packages windows-packages:windows-build native-tests:windows-build \
             sanitizer-build:web-build native-tests:web-tests web-build:web-tests \
             windows-build:windows-tests web-tests:windows-tests \
             native-tests:sanitizer-tests sanitizer-build:sanitizer-tests; do
    check "${waits#*:} starts after ${waits%:*} ends" 'before "end ${waits%:*}" "start ${waits#*:}"'
done
for part in web-tests windows-tests; do
    check "$part' output is shown" 'grep -qx "the output of $part" "$work/out"'
done
check "a quiet part's output stays in its log" \
    '! grep -qx "the output of web-build" "$work/out" && grep -qx "the output of web-build" "$work/build/test-logs/web-build.log"'

run_make_test sanitizer-build
status=$?
check "a failed part fails make test (status $status)" '[ $status -ne 0 ]'
check "the failed part is named" 'grep -qE "^  sanitizer-build +FAILED in" "$work/out"'
check "the part beside it ran to its end" 'grep -qE "^  native-tests +passed in" "$work/out"'
for part in web-build web-tests windows-tests sanitizer-tests; do
    check "$part, after it, did not run" 'grep -qE "^  $part +not run$" "$work/out"'
done
check "its log is shown" 'grep -qx "the output of sanitizer-build" "$work/out"'

if [ $failures -ne 0 ]; then
    echo "make test's output:"; cat "$work/out"
    exit 1
fi
echo "make test's schedule: all checks passed"
