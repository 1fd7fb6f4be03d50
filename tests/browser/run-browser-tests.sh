#!/bin/bash
# The service's page in a real browser drives the real Notewell: headless
# Chromium (Debian's chromium, chromium-driver and python3-selenium) loads
# the page from a local web server under the service's own name, the page's
# script starts Notewell.exe under wine through its notewell: link (the test
# plays the system's part and runs the scheme's command), logs in over the
# bridge against the dev server, and sends what a page sends.
#
# Everything runs in a network namespace of its own (loopback only), so the
# fixed ports (80, 5210, 5290) never meet another run's; wine makes sockets
# in the wineserver, so the wineserver starts inside too. The X display and
# the wine prefix are this run's own.
#
# Exit status: 0 all passed, 1 a failure, 77 skipped (Chromium cannot start here).
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
export DISPLAY=${CORVALA_BROWSER_DISPLAY:-:83}
export WINEPREFIX=$repo/build/wineprefix-browser
out=$repo/build/browser-tests

skip() {
    echo "!!! BROWSER TESTS SKIPPED: $1 !!!"
    exit 77
}

if [ -z "${CORVALA_BROWSER_NAMESPACE:-}" ]; then
    for tool in /usr/bin/chromium /usr/bin/chromedriver; do
        [ -x "$tool" ] || skip "$tool is missing (bash tools/setup.sh installs chromium and chromium-driver)"
    done
    /usr/bin/python3 -c "import selenium" 2>/dev/null || skip "Debian's python3-selenium is missing"
    # A wineserver of this prefix outside the namespace would make Notewell's sockets there.
    WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
    exec unshare -n env CORVALA_BROWSER_NAMESPACE=1 bash "$0" "$@"
fi

ip link set lo up || { echo "no loopback in the test's network namespace" >&2; exit 1; }
mkdir -p "$out"
profile=$(mktemp -d)
started=()
xvfb=""
cleanup() {
    local pid
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null; done
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$profile" "$site"
}
site=$(mktemp -d)
trap cleanup EXIT

# Can Chromium start here at all? Then a failure below is the product's.
if ! timeout 60 /usr/bin/chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
        --user-data-dir="$profile" --dump-dom about:blank >"$out/chromium-check.log" 2>&1; then
    skip "Chromium cannot start here: $(grep -v '^\s*$' "$out/chromium-check.log" | tail -2 | tr '\n' ' ')"
fi

source tools/wine-env.sh
if ! display_alive; then
    n=${DISPLAY#:}
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
    xvfb=$!
fi
wine_env_start || exit 1
# The release build where 32-bit programs run, as the Windows suite does.
if wine_runs_32bit; then build=build/win32; else build=build/win64; fi
notewell=$repo/$build/tray/Notewell.exe
devserver=$repo/build/native/devserver/devserver
for f in "$notewell" "$devserver"; do
    [ -f "$f" ] || { echo "$f is missing: build first (bash tools/build.sh)" >&2; exit 1; }
done
echo "Browser tests: $(/usr/bin/chromium --version 2>/dev/null), Notewell of $build, in a network namespace of their own"

# The page's site: the web host the build's site lock serves.
web_host=$(sed -n 's/^CORVALA_WEB_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
web_host=${web_host:-www.corvala.co.kr}
ln -s "$repo/web" "$site/web"
ln -s "$repo/docs" "$site/docs"
ln -s "$repo/tests/browser" "$site/test"
/usr/bin/python3 -m http.server 80 --bind 127.0.0.1 --directory "$site" >"$out/web.log" 2>&1 &
started+=($!)

log=$out/devserver.log
"$devserver" --no-stdin --port 5210 --member "mina:미나:F:25" --member "webmember:웹회원:M:30" >"$log" 2>&1 &
started+=($!)
for port in 80 5210; do
    for _ in $(seq 50); do (exec 9<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
done

CORVALA_REPO=$repo CORVALA_WEB_HOST=$web_host CORVALA_DEVSERVER_LOG=$log CORVALA_NOTEWELL=$notewell \
    timeout 600 /usr/bin/python3 tests/browser/bridge_test.py
status=$?
[ "$status" -eq 0 ] || echo "The dev server's log: $log"
exit $status
