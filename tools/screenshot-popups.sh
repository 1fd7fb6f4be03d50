#!/bin/bash
# Screenshots of every Notewell popup as a member sees it: the real
# Notewell.exe under wine on its own Xvfb display, connected to the
# development server on port 5210; incoming notes and requests arrive as
# server packets, the outgoing ones are asked for the way the web page's
# controls ask (tray_poke). One PNG per popup lands in the output directory,
# cropped to the popup's window, plus overview.png with a cascade.
#
#   tools/screenshot-popups.sh [output directory [file name prefix]]
#                                      (default build/screenshots/popups, no prefix)
#   tools/screenshot-popups.sh docs/screenshots popup-     renews the ones in docs/
#
# Needs the x86_64 build (Notewell, tray_poke) in build/win64 (or $POPUP_WIN_BUILD) and the
# native devserver in build/native (or $POPUP_NATIVE_BUILD); builds them when missing. The stand-in
# sounds of tools/make-sounds.py go beside Notewell.exe.
#
# The wine prefix is the script's own (build/pop-shots/wineprefix): besides the
# Korean font substitutes it maps the dialogs' "System" font onto a font with
# the metrics of the Windows one (8 x 16 dialog base units), so that the
# popups have their Windows pixel sizes and the skins line up with the
# controls; wine's own "System" font is one pixel lower (8 x 15).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$repo/build/screenshots/popups}
prefix=${2:-}
win=${POPUP_WIN_BUILD:-$repo/build/win64}
native=${POPUP_NATIVE_BUILD:-$repo/build/native}
work=$repo/build/pop-shots
mkdir -p "$out" "$work/run"
out=$(cd "$out" && pwd)

export WINEPREFIX=$work/wineprefix
export DISPLAY=${SHOTS_DISPLAY:-:87}
# shellcheck source=tools/wine-env.sh
source "$repo/tools/wine-env.sh"

[ -x "$native/devserver/devserver" ] || {
    cmake -S "$repo" -B "$native" >/dev/null
    cmake --build "$native" -j2 --target devserver >/dev/null
}
[ -f "$win/tray/Notewell.exe" ] && [ -f "$win/tests/win/popups/tray_poke.exe" ] || {
    cmake -S "$repo" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" >/dev/null
    cmake --build "$win" -j2 --target Notewell tray_poke >/dev/null
}

fc-list : family | grep "URW Gothic" >/dev/null || {
    echo "URW Gothic (fonts-urw-base35) is missing: the popups would not have their Windows sizes" >&2
    exit 1
}
wine_env_start
wine_windows_look

cp "$win/tray/Notewell.exe" "$win/tests/win/popups/tray_poke.exe" "$repo"/tray/res/sounds/*.wav "$work/run/"
cd "$work/run"

poke() { "$repo/tools/wine-run" ./tray_poke.exe "$@"; }
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

# The server: members, and no answer to the own requests so that the waiting
# popups stay until they are shot. Further lines come through the control pipe.
cat > scenario.txt <<'EOF'
member demo nick=데모 sex=M age=33 points=12500
member alice nick=미나&친구 sex=F age=27 job=대학생 region=서울 topic="같이 이야기해요 & 놀아요" taste=6 pop=98
member tom nick=Tom&Jerry sex=M age=31 job=회사원 region=부산 topic="반가워요" taste=9 pop=12 points=12500
member yuna nick=유나 sex=F age=24 job=디자이너 region=인천 topic="영화 이야기" taste=5 pop=57
on 2003 answer none
on 2005 answer none
EOF
rm -f ctl && mkfifo ctl
for _ in $(seq 60); do
    if ! (exec 9<>/dev/tcp/127.0.0.1/5210) 2>/dev/null; then break; fi
    echo "port 5210 is in use; waiting" >&2
    sleep 5
done
"$native/devserver/devserver" --script scenario.txt < ctl > devserver.log 2>&1 &
server=$!
exec 3> ctl
cleanup() {
    echo quit >&3 2>/dev/null || true
    exec 3>&- || true
    [ -n "${tray:-}" ] && kill "$tray" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
send() { echo "$*" >&3; }

"$repo/tools/wine-run" ./Notewell.exe "demo/pw/M/sess/127.0.0.1" &
tray=$!
for _ in $(seq 100); do grep -q "in  LOGIN" devserver.log && break; sleep 0.2; done
grep -q "in  LOGIN" devserver.log || { echo "Notewell did not log in" >&2; exit 1; }
sleep 1

# Waits until the popup holding control $1 is shown, then crops it out of the screen.
shoot() {
    local id=$1 name=$2 rect=""
    for _ in $(seq 50); do rect=$(poke rect "$id" 2>/dev/null | tr -d '\r') && [ -n "$rect" ] && break; sleep 0.2; done
    [ -n "$rect" ] || { echo "no popup with control $id for $name" >&2; return 1; }
    sleep 0.7  # painted
    read -r x y w h <<< "$rect"
    import -window root -display "$DISPLAY" "$work/run/screen.png"
    convert "$work/run/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$prefix$name.png"
    echo "$prefix$name: ${w}x${h} at ($x, $y)"
}

send "send to=demo 2007 4 note-from alice \"안녕하세요! 오늘 저녁에 채팅 어떠세요?\nR&B 좋아하세요?\""
shoot 1032 read-note-131
poke cancel 1032

send "send to=demo 2003 4 chat-from alice"
shoot 1010 incoming-from-woman-133
poke cancel 1010
sleep 0.5
send "send to=demo 2003 4 chat-from tom"
shoot 1010 incoming-from-man-160
poke cancel 1010

send "send to=demo 2003 4 chat-from yuna flag:N"
shoot 1035 points-short-154
poke ok 1035

send "send to=demo 2006 4 decision alice C code:CANCELED"
shoot 1034 chat-notice-153
poke click 1033

poke note "$(hex '유나/유나/F/24')"
shoot 1001 send-note-130
poke cancel 1001

poke chat "$(hex 'alice/미나&친구/F/27/대학생/서울/6/98/같이 이야기해요 & 놀아요/3')"
shoot 1021 outgoing-to-woman-132
poke cancel 1021
sleep 0.5
poke chat "$(hex 'tom/Tom&Jerry/M/31/회사원/부산/9/12/반가워요/12500')"
shoot 1021 outgoing-to-man-159
poke cancel 1021
sleep 0.5

poke chat-all
shoot 1012 group-chat-143
poke cancel 1012
sleep 0.5

poke note-all
shoot 1003 note-to-all-147
poke cancel 1003
sleep 0.5

# A cascade of incoming requests and a note, as they pile up.
send "send to=demo 2003 4 chat-from alice"
sleep 0.4
send "send to=demo 2003 4 chat-from tom"
sleep 0.4
send "send to=demo 2003 4 chat-from yuna"
sleep 0.4
send "send to=demo 2007 4 note-from tom \"쪽지 테스트입니다.\""
sleep 2
import -window root -display "$DISPLAY" "$work/run/screen.png"
convert "$work/run/screen.png" -crop 800x640+0+0 +repage "$out/${prefix}overview.png"
echo "overview: $out/${prefix}overview.png"
