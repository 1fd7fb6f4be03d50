#!/bin/bash
# The service's page in a real browser drives the real Notewell: headless
# Chromium (Debian's chromium, chromium-driver and python3-selenium) loads
# the page from a local web server under the service's own name, the page's
# script starts Notewell.exe under wine through its notewell: link (the test
# plays the system's part and runs the scheme's command), logs in over the
# bridge against the dev server, and sends what a page sends. The member list
# element's tests run first: their page feeds the element itself and needs
# no Notewell.
#
# Everything runs in a network namespace of its own (see browser-env.sh);
# the X display and the wine prefix are this run's own.
#
# Exit status: 0 all passed, 1 a failure, 77 skipped (Chromium cannot start here).
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
export DISPLAY=${CORVALA_BROWSER_DISPLAY:-:83}
export WINEPREFIX=$repo/build/wineprefix-browser
out=$repo/build/browser-tests
source tests/browser/browser-env.sh

skip() {
    echo "!!! BROWSER TESTS SKIPPED: $1 !!!"
    exit 77
}

if [ -z "${CORVALA_BROWSER_NAMESPACE:-}" ]; then
    browser_tools_present || skip "$BROWSER_REASON"
    browser_enter_namespace "$0" "$@"
fi

mkdir -p "$out"
site=$(mktemp -d)
browser_temp+=("$site")
trap browser_cleanup EXIT

if ! browser_chromium_starts "$out/chromium-check.log"; then
    skip "Chromium cannot start here: $(grep -v '^\s*$' "$out/chromium-check.log" | tail -2 | tr '\n' ' ')"
fi
timeout 300 /usr/bin/python3 tests/browser/member_list_test.py
list_status=$?
browser_start || exit 1
echo "Browser tests: $(/usr/bin/chromium --version 2>/dev/null), Notewell of $build, in a network namespace of their own"

ln -s "$repo/web" "$site/web"
ln -s "$repo/docs" "$site/docs"
ln -s "$repo/tests/browser" "$site/test"
browser_serve_site "$site" "$out/web.log"

log=$out/devserver.log
"$devserver" --no-stdin --port 5210 --member "mina:미나:F:25" --member "webmember:웹회원:M:30" >"$log" 2>&1 &
browser_started+=($!)
browser_wait_ports 80 5210

CORVALA_WEB_HOST=$web_host CORVALA_DEVSERVER_LOG=$log CORVALA_NOTEWELL=$notewell \
    timeout 600 /usr/bin/python3 tests/browser/bridge_test.py
status=$?
[ "$status" -eq 0 ] || echo "The dev server's log: $log"
[ "$list_status" -eq 0 ] || status=1
exit $status
