#!/bin/bash
# Builds everything and runs every test: the native core and dev server tests,
# the Windows-side tests under wine on an Xvfb display, on the i686 release
# build where this machine runs 32-bit programs and on x86_64, and a bounded
# fuzz run.
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

# Once, before any Windows test: can the release build's tests run here?
if wine_runs_32bit; then
    echo "32-bit Windows programs run on this machine: the Windows suite runs on the i686 release build and on x86_64."
    run32=1
else
    echo "THE RELEASE BUILD'S (i686) WINDOWS TESTS ARE SKIPPED: $WINE32_REASON. Only the x86_64 build is tested."
    run32=0
fi

run_ctest build/native "native core and dev server" -j2
# The two Windows builds share the prefix, the desktop and the ports, so one
# runs after the other.
[ "$run32" -eq 1 ] && run_ctest build/win32 "Windows side under wine, i686 (the release build)" -j2 --timeout 300
run_ctest build/win64 "Windows side under wine, x86_64" -j2 --timeout 300
display_alive || echo "The X display $DISPLAY went away during the Windows tests: their failures say nothing of the code."

# The programs speak UTF-16 to Windows and lay out code page 949 only where a
# record does, so a few strong tests run again where the system's code page is
# not Korean's, each locale in a prefix of its own: English (code page 1252),
# and one whose code page is UTF-8 (65001; wine gives it to a locale without
# an ANSI code page, as Windows' "Use Unicode UTF-8 for worldwide language
# support" does). They run on the build the Windows suite ran first.
locale_tests='^hub\.(SystemCodePage|UnicodeText|TextConversion|TrayIconTest)\.|^LimitEditTest\.|^ListRows\.(MemberTexts|CellsShow)|^gatekin_control_tests\.GatekinTest\.(SendChat|SendLabel|PageParams)|^MemberActions\.(NoteRecord|ChatRequestReaches)|^NotewellEndToEnd\.ServerEnding|^PageAndNotewell\.|^RosterlyEndToEnd\.ChoosingAChatRequest'
locale_build=build/win64
[ "$run32" -eq 1 ] && locale_build=build/win32
run_in_locale() {  # wine locale, label
    local korean_prefix=$WINEPREFIX
    wine_env_stop
    export CORVALA_WINE_LANG=$1 WINEPREFIX=$repo/build/wineprefix-${1%%.*}
    if wine_env_start; then
        run_ctest "$locale_build" "$2" -j2 --timeout 300 -R "$locale_tests"
    else
        status=1
    fi
    wine_env_stop
    export CORVALA_WINE_LANG=ko_KR.UTF-8 WINEPREFIX=$korean_prefix
}
run_in_locale en_US.UTF-8 "Text tests under an English locale (code page 1252), $locale_build"
run_in_locale hi_IN.UTF-8 "Text tests under a UTF-8 code page (65001), $locale_build"

echo "=== fuzzing (bounded) ==="
if FUZZ_SECONDS=${FUZZ_SECONDS:-15} bash tools/run-fuzzers.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

# The service's page in headless Chromium against the real Notewell, in a
# network namespace, display and wine prefix of its own; skipped (loudly)
# where Chromium cannot start.
echo "=== the page in a real browser ==="
browser_skipped=""
bash tests/browser/run-browser-tests.sh
case $? in
    0) passed=$((passed + 1)) ;;
    77) browser_skipped=1 ;;
    *) failed=$((failed + 1)); status=1 ;;
esac

echo
[ "$run32" -eq 1 ] || echo "Not run: the release build's (i686) Windows tests ($WINE32_REASON)."
[ -z "$browser_skipped" ] || echo "NOT RUN: the browser tests (Chromium cannot start here; see above)."
echo "$passed passed, $failed failed"
exit $status
