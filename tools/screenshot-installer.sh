#!/bin/bash
# Screenshots of the installer in its normal (Korean) mode as a member sees
# it: the welcome page, the folder page, the finished installation and the
# uninstaller's confirmation, under wine on an Xvfb display of its own. The
# installer is the x86_64 build's (the same script as the 32-bit release one).
#
#   tools/screenshot-installer.sh [output directory]   (default build/screenshots/installer)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$repo/build/screenshots/installer}
setup=$repo/build/win64/installer/CorvalaSetup.exe
work=$repo/build/installer-shots
mkdir -p "$out" "$work"
[ -f "$setup" ] || { echo "build the installer first: cmake --build build/win64 --target installer" >&2; exit 1; }

export WINEPREFIX=$work/wineprefix
export DISPLAY=${SHOTS_DISPLAY:-:88}
# shellcheck source=tools/wine-env.sh
source "$repo/tools/wine-env.sh"
wine_env_start
trap 'wineserver -k 2>/dev/null || true' EXIT
wine_windows_look

# The topmost window of a program whose title contains $1.
window_of() {
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && break
        sleep 0.2
    done
    echo "$id"
}
shoot() {  # name window
    sleep 1.5  # painted
    import -window "$2" -display "$DISPLAY" "$out/$1.png"
    echo "$out/$1.png"
}
press() { xdotool key --window "$1" "$2"; sleep 1; }

cp "$setup" "$work/CorvalaSetup.exe"
"$repo/tools/wine-run" "$work/CorvalaSetup.exe" &
setup_pid=$!
w=$(window_of "Corvala")
[ -n "$w" ] || { echo "the installer shows no window" >&2; exit 1; }
shoot 1-welcome "$w"
press "$w" Return
shoot 2-folder "$w"
press "$w" Return
sleep 4
shoot 3-finished "$w"
press "$w" Return
wait "$setup_pid"

"$repo/tools/wine-run" "C:\\Program Files\\Corvala\\Uninstall.exe" &
sleep 2
w=$(window_of "Corvala")
shoot 4-uninstall "$w"
press "$w" Return
sleep 4
shoot 5-uninstalled "$w"
press "$w" Return
sleep 2
