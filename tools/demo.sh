#!/bin/bash
# The main job: builds everything, starts the development server with the demo
# scenario (the tray port 5210 and the member list port 5200), then plays the
# service's page under wine: the container hosts the login control Gatekin and
# the member list control Rosterly with the member's PARAM values, as the
# page's OBJECT tags do, and sets LogStateProc to 0. Gatekin starts
# Notewell.exe, which logs in; Rosterly logs in on its own connection and
# lists a few dozen members. The demo then right-clicks a member in the list
# and chooses "1:1 채팅신청", as a member would: Notewell asks the server and
# opens its outgoing request popup, while the scenario's note and incoming
# requests open theirs. It runs the release build (i686) where this machine
# runs 32-bit programs, else the x86_64 build, and says which.
# With a display of your own (DISPLAY set) it runs there until you press
# Enter; otherwise it runs on Xvfb and saves a screenshot to
# build/demo/notewell.png.
# CORVALA_WINE_LANG=en_US.UTF-8 plays it on a Windows whose language for
# non-Unicode programs is English (code page 1252), in a prefix of its own,
# and saves build/demo/notewell-en_US.png; DEMO_NO_BUILD=1 uses the trees as
# they are.
# CORVALA_DEMO_BROWSER=chromium plays the same member in any browser instead:
# the sample page in Chromium starts Notewell through its notewell: link and
# logs in over the bridge (see play_in_chromium).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
own_display=${DISPLAY:-}
mkdir -p build/demo
[ -n "${DEMO_NO_BUILD:-}" ] || bash tools/build.sh

# A prefix of the demo's own (one per locale): it looks like Windows, which the tests' prefix need not.
lang=${CORVALA_WINE_LANG:-ko_KR.UTF-8}
suffix=""
[ "$lang" = ko_KR.UTF-8 ] || suffix="-${lang%%.*}"

# The service's sample page, as the service's server writes the member into it,
# from a web server under the service's name in a network namespace of the
# demo's own (ports 80, 5200, 5210, 5290). The member clicks the start button;
# headless Chromium has no one to run the notewell: link, so the demo plays
# the system's part and runs the scheme's command under wine. The page then
# logs in over the bridge and opens a note window and a 1:1 chat request while
# the scenario's note and requests come in. Headless it saves the page as
# Chromium shows it and the wine display; with a display Chromium shows there
# until Enter.
play_in_chromium() {
    export WINEPREFIX=${WINEPREFIX:-$repo/build/demo/wineprefix-browser$suffix}
    source tests/browser/browser-env.sh
    if [ -z "${CORVALA_BROWSER_NAMESPACE:-}" ]; then
        browser_tools_present || { echo "The browser demo cannot run: $BROWSER_REASON" >&2; exit 1; }
        if [ -n "$own_display" ]; then
            export CORVALA_DEMO_VISIBLE=1
        else
            export DISPLAY=${CORVALA_DEMO_DISPLAY:-:85}
        fi
        DEMO_NO_BUILD=1 browser_enter_namespace "$0"
    fi
    trap browser_cleanup EXIT
    browser_chromium_starts build/demo/chromium-check.log ||
        { echo "Chromium cannot start here; see build/demo/chromium-check.log" >&2; exit 1; }
    browser_start
    wine_windows_look
    [ -z "$BUILD_REASON" ] || echo "$BUILD_REASON."
    echo "The demo plays the page in $(/usr/bin/chromium --version 2>/dev/null) with Notewell of $build."
    local site log status=0
    site=$(mktemp -d)
    browser_temp+=("$site")
    ln -s "$repo/web" "$site/web"
    mkdir "$site/docs"
    sed -e 's/{ID}/demo/g; s/{PWD}/pw/g; s/{SEX}/M/g; s/{LIST_SEX}/man/g' \
        -e 's/{SESSIONID}/demo-session/g; s/{SERVERIP}/127.0.0.1/g' docs/sample-page.html > "$site/docs/sample-page.html"
    browser_serve_site "$site" build/demo/web.log
    log=build/demo/devserver-browser.log
    "$devserver" --no-stdin --list-port 5200 --script devserver/scenarios/demo.txt > "$log" 2>&1 &
    browser_started+=($!)
    browser_wait_ports 80 5210
    CORVALA_WEB_HOST=$web_host CORVALA_NOTEWELL=$notewell CORVALA_DEVSERVER_LOG=$log CORVALA_DEMO_OUT=build/demo \
        /usr/bin/python3 tools/demo_browser.py || status=$?
    echo "--- dev server log ---"
    cat "$log"
    exit $status
}
if [ -n "${CORVALA_DEMO_BROWSER:-}" ]; then
    [ "$CORVALA_DEMO_BROWSER" = chromium ] ||
        { echo "CORVALA_DEMO_BROWSER: the demo plays the page in chromium only" >&2; exit 2; }
    play_in_chromium
fi

export WINEPREFIX=${WINEPREFIX:-$repo/build/demo/wineprefix$suffix}
source tools/wine-env.sh
wine_env_start
wine_windows_look
wine_pick_build
if [ -z "$BUILD_REASON" ]; then
    echo "The demo runs the release build (i686, $build)."
else
    echo "$BUILD_REASON: the demo runs the x86_64 build ($build)."
fi
# A dev server an earlier demo of this tree left behind holds the ports; only
# that one is ended, never another tree's or another user's.
if [ -f build/demo/devserver.pid ]; then
    old=$(cat build/demo/devserver.pid)
    [ "$(readlink "/proc/$old/exe" 2>/dev/null)" = "$repo/build/native/devserver/devserver" ] && kill "$old" 2>/dev/null || true
fi
log=build/demo/devserver.log

build/native/devserver/devserver --no-stdin --list-port 5200 --script devserver/scenarios/demo.txt > "$log" 2>&1 &
server=$!
echo "$server" > build/demo/devserver.pid
for _ in $(seq 50); do (exec 9<>/dev/tcp/127.0.0.1/5200) 2>/dev/null && break; sleep 0.2; done
# Gatekin starts "Notewell.exe" by the program search, as on a member's machine
# where the installer put the program folder on the search path.
tools/wine-run regsvr32 /s "$build/login/Gatekin.ocx"
tools/wine-run regsvr32 /s "$build/memberlist/Rosterly.ocx"
tray_dir=$(printf '%s' "Z:$repo/$build/tray" | tr / '\\')
member=(--param ID=demo --param PWD=pw --param SEX=M --param SERVERIP=127.0.0.1)
# The page is on the service's site (the web host the build was configured
# with): the controls serve no other.
web_host=$(sed -n 's/^CORVALA_WEB_HOST:[A-Z]*=//p' "$build/CMakeCache.txt")
WINEPATH="$tray_dir" tools/wine-run "$build/tools/container/ControlContainer.exe" \
    --url "http://${web_host:-www.corvala.co.kr}/" GATEKIN.GatekinCtrl.1 "${member[@]}" --param SESSIONID=demo-session --activate --set LogStateProc=0 \
    ROSTERLY.RosterlyCtrl.1 "${member[@]}" --size 660,430 --activate --where --stay \
    --title "Service page: Gatekin and Rosterly" --at 600,420 \
    > build/demo/container.log 2>&1 &
page=$!
cleanup() {
    kill "$page" "$server" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

count() { grep -c "$1" "$log" || true; }
waitfor() {  # pattern count seconds
    for _ in $(seq $(($3 * 5))); do [ "$(count "$1")" -ge "$2" ] && return 0; sleep 0.2; done
    return 1
}

# The list is in once Rosterly got its rows; the scenario's note and requests
# come 2, 4 and 6 s after the login. The member then asks for a chat from the
# list, so that its popup opens on top of theirs.
waitfor ' out LIST_MEMBERS kind 4' 30 60 || echo "Rosterly did not get its list; the container said: $(cat build/demo/container.log)"
waitfor ' out \(NOTE\|CHAT_REQUEST\) kind 4' 3 60 || echo "Notewell did not get the scenario's note and requests."
# Select the fourth row ("미나", waiting: the list header is 24 pixels high,
# a row 28) and right-click it, then click the menu's second item,
# "1:1 채팅신청" (the menu opens at the pointer; its items are 18 pixels high).
read -r _ x y _ _ < <(grep '^where' build/demo/container.log | tr -d '\r') || true
if [ -n "${x:-}" ]; then
    xdotool mousemove $((x + 160)) $((y + 24 + 3 * 28 + 14)) click 1
    sleep 0.3
    xdotool click 3
    sleep 0.8
    xdotool mousemove_relative 40 28 click 1
    waitfor ' in  CHAT_REQUEST kind 1' 1 10 ||
        echo "The chat request chosen in the list did not reach the server."
fi

if [ -n "$own_display" ]; then
    echo "Notewell is running on $DISPLAY; the dev server log is $log."
    read -r -p "Press Enter to end the demo. " _ || true
else
    sleep "${DEMO_SECONDS:-1}"
    import -window root -display "$DISPLAY" "build/demo/notewell$suffix.png"
    echo "Screenshot: build/demo/notewell$suffix.png"
fi
if grep -q 'in  LOGIN kind 1 id="demo"' "$log"; then
    echo "The login control started Notewell.exe, and Notewell logged in as demo."
else
    echo "Notewell did not log in; the container said:"; cat build/demo/container.log
fi
echo "Rosterly listed $(count ' out LIST_MEMBERS kind 4') members."
grep -q ' in  CHAT_CHECK\| in  CHAT_REQUEST kind 1' "$log" &&
    echo "A 1:1 chat request chosen in the member list went out through Notewell."
echo "--- dev server log ---"
cat "$log"
