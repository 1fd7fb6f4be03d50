#!/bin/bash
# The main job: builds everything, starts the development server with the demo
# scenario, then plays the service's page under wine: the container creates the
# login control Gatekin with the member's PARAM values and sets LogStateProc to
# 0, and Gatekin starts Notewell.exe, which logs in; the scenario then sends a
# note and chat requests so the popups open. With a display of your own
# (DISPLAY set) it runs there until you press Enter; otherwise it runs on Xvfb
# and saves a screenshot to build/demo/notewell.png.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
own_display=${DISPLAY:-}
mkdir -p build/demo
bash tools/build.sh

# A prefix of the demo's own: it looks like Windows, which the tests' prefix need not.
export WINEPREFIX=${WINEPREFIX:-$repo/build/demo/wineprefix}
source tools/wine-env.sh
wine_env_start
wine_windows_look
pkill -f 'build/native/devserver/devserver' 2>/dev/null || true

build/native/devserver/devserver --no-stdin --script devserver/scenarios/demo.txt \
    > build/demo/devserver.log 2>&1 &
server=$!
sleep 0.5
# Gatekin starts "Notewell.exe" by the program search, as on a member's machine
# where the installer put the program folder on the search path.
tools/wine-run regsvr32 /s build/win64/login/Gatekin.ocx
tray_dir=$(printf '%s' "Z:$repo/build/win64/tray" | tr / '\\')
WINEPATH="$tray_dir" tools/wine-run build/win64/tools/container/ControlContainer.exe GATEKIN.GatekinCtrl.1 \
    --param ID=demo --param PWD=pw --param SEX=M --param SESSIONID=demo-session \
    --param SERVERIP=127.0.0.1 --activate --set LogStateProc=0 --stay \
    --title "Service page: the login control Gatekin" --at 24,640 \
    > build/demo/container.log 2>&1 &
page=$!
cleanup() {
    kill "$page" "$server" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

if [ -n "$own_display" ]; then
    echo "Notewell is running on $DISPLAY; the dev server log is build/demo/devserver.log."
    read -r -p "Press Enter to end the demo. " _ || true
else
    # The scenario's last popup is a notice that closes itself after 5 s: shoot
    # once it is open, whatever the start-up took.
    for _ in $(seq 1 120); do
        [ "$(grep -c ' out \(NOTE\|CHAT_REQUEST\) kind 4' build/demo/devserver.log)" -ge 3 ] && break
        sleep 0.5
    done
    sleep "${DEMO_SECONDS:-1.5}"
    import -window root -display "$DISPLAY" build/demo/notewell.png
    echo "Screenshot: build/demo/notewell.png"
fi
if grep -q 'in  LOGIN kind 1 id="demo"' build/demo/devserver.log; then
    echo "The login control started Notewell.exe, and Notewell logged in as demo."
else
    echo "Notewell did not log in; the container said:"; cat build/demo/container.log
fi
echo "--- dev server log ---"
cat build/demo/devserver.log
