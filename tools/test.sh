#!/bin/bash
# Builds everything and runs every test: the native core and dev server tests,
# the Windows-side tests under wine on an Xvfb display, and a bounded fuzz run.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
bash tools/build.sh || exit 1

source tools/wine-env.sh
wine_env_start || exit 1
trap wine_env_stop EXIT

passed=0; failed=0; status=0
run_ctest() {  # dir label [ctest args...]
    local dir=$1 label=$2; shift 2
    echo "=== $label ==="
    local log; log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    local line; line=$(grep -E "tests passed, [0-9]+ tests failed out of" "$log" | tail -1)
    if [ -n "$line" ]; then
        local total fail
        fail=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((passed + total - fail)); failed=$((failed + fail))
    fi
    [ "$rc" -eq 0 ] || status=1
    rm -f "$log"
}

run_ctest build/native "native core and dev server" -j2
run_ctest build/win64 "Windows side under wine" -j2 --timeout 300
display_alive || echo "The X display $DISPLAY went away during the Windows tests: their failures say nothing of the code."

echo "=== fuzzing (bounded) ==="
if FUZZ_SECONDS=${FUZZ_SECONDS:-15} bash tools/run-fuzzers.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

echo
echo "Summary: $passed passed, $failed failed"
exit $status
