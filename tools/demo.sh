#!/bin/bash
# The main job: builds everything, starts the development server with the demo
# scenario and Notewell.exe under wine, logged in; the scenario then sends a
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
tools/wine-run build/win64/tray/Notewell.exe "demo/pw/M/demo-session/127.0.0.1" &
tray=$!
cleanup() {
    kill "$tray" "$server" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

if [ -n "$own_display" ]; then
    echo "Notewell is running on $DISPLAY; the dev server log is build/demo/devserver.log."
    read -r -p "Press Enter to end the demo. " _ || true
else
    sleep "${DEMO_SECONDS:-14}"
    import -window root -display "$DISPLAY" build/demo/notewell.png
    echo "Screenshot: build/demo/notewell.png"
fi
echo "--- dev server log ---"
cat build/demo/devserver.log
