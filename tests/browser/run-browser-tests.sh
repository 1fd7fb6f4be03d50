#!/bin/bash
# The service's page in a real browser drives the real Notewell: headless
# Chromium (Debian's chromium, chromium-driver and python3-selenium) loads
# the page from a local web server under the service's own name, the page's
# script starts Notewell.exe under wine through its notewell: link (the test
# plays the system's part and runs the scheme's command), logs in over the
# bridge against the dev server, and sends what a page sends; then the
# sample page shows the dev server's member list through Notewell and its
# menu's choices reach Notewell and the list server. The member list
# element's own tests run first: their page feeds the element itself and
# needs no Notewell.
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
# The sample page as the service's server writes it for the tests' member.
mkdir "$site/member"
sed -e 's/{ID}/webmember/g; s/{PWD}/pw-1234/g; s/{SEX}/M/g; s/{LIST_SEX}/man/g' \
    -e 's/{SESSIONID}/web-session-8/g; s/{SERVERIP}/127.0.0.1/g' docs/sample-page.html > "$site/member/sample-page.html"
browser_serve_site "$site" "$out/web.log"

# The dev server takes scenario lines from a FIFO that this script holds
# open, so its input never ends while the tests write to it.
input=$(mktemp -d)/devserver-input
browser_temp+=("$(dirname "$input")")
mkfifo "$input"
exec 7<>"$input"
log=$out/devserver.log
"$devserver" --port 5210 --list-port 5200 --member "mina:미나:F:25" --member "webmember:웹회원:M:30" \
    <"$input" >"$log" 2>&1 &
browser_started+=($!)
browser_wait_ports 80 5210 5200

export CORVALA_WEB_HOST=$web_host CORVALA_DEVSERVER_LOG=$log CORVALA_DEVSERVER_INPUT=$input CORVALA_NOTEWELL=$notewell
timeout 600 /usr/bin/python3 tests/browser/bridge_test.py
status=$?
CORVALA_BROWSER_OUT=$out timeout 300 /usr/bin/python3 tests/browser/member_list_e2e_test.py || status=1
[ "$status" -eq 0 ] || echo "The dev server's log: $log"
[ "$list_status" -eq 0 ] || status=1
exit $status
