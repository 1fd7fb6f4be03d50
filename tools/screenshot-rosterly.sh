#!/bin/bash
# Screenshots of the member list control Rosterly as a viewer sees it: the
# real control in the showcase host (tools/rosterly/rosterly_showcase.cpp)
# under wine on its own Xvfb display, connected to the development server's
# member list port 5200 with a population of members. One PNG per state,
# cropped to the page window:
#
#   women.png        a man's list (the women, "앨범" column), stripes and icons
#   men.png          a woman's list (the men, "포인트" column with grouped points)
#   label-men.png    TextLabel switches the man's list over to the men
#   buddies.png      TextBuddy = "B": the viewer's buddy list
#   sorted-age.png   one click on "나이": ascending, the arrow up
#   sorted-age-desc.png  a second click: descending, the arrow down
#   selected.png     a selected row while the list has the focus
#   menu.png         the context menu on a selected row
#   menu-same-sex.png  the same-sex list's menu ("프로필보기" only)
#
#   tools/screenshot-rosterly.sh [output directory]   (default build/screenshots/rosterly)
#   ONLY="menu sorted-age" tools/screenshot-rosterly.sh  (only these)
#
# Needs the x86_64 build of rosterly_showcase in build/win64 (or
# $ROSTERLY_WIN_BUILD) and the native devserver in build/native (or
# $ROSTERLY_NATIVE_BUILD); builds them when missing.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$repo/build/screenshots/rosterly}
win=${ROSTERLY_WIN_BUILD:-$repo/build/win64}
native=${ROSTERLY_NATIVE_BUILD:-$repo/build/native}
work=$repo/build/rosterly-shots
mkdir -p "$out" "$work/run"

export WINEPREFIX=$work/wineprefix
export DISPLAY=${SHOTS_DISPLAY:-:85}
# shellcheck source=tools/wine-env.sh
source "$repo/tools/wine-env.sh"

showcase=$win/tools/rosterly/rosterly_showcase.exe
[ -x "$native/devserver/devserver" ] || {
    cmake -S "$repo" -B "$native" >/dev/null
    cmake --build "$native" -j2 --target devserver >/dev/null
}
[ -f "$showcase" ] || {
    cmake -S "$repo" -B "$win" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" >/dev/null
    cmake --build "$win" -j2 --target rosterly_showcase >/dev/null
}

wine_env_start
wine_windows_look

cp "$showcase" "$work/run/"
cd "$work/run"

# The population: women and men with Korean texts, some chatting, with and
# without webcams; buddies of the viewer "demo" on both sides.
cat > scenario.txt <<'EOF'
list add mina waiting album=12 stamp=2024/5/1/10/0/1 nick=미나&친구 sex=F age=27 region=서울 topic="같이 이야기해요" taste=6 pop=98
list add yuna chatting album=3 stamp=2024/5/1/10/0/2 nick=유나 sex=F age=24 region=인천 topic="영화 이야기" taste=5 pop=57 webcam=N
list add sora waiting album=0 stamp=2024/5/1/10/0/3 nick=소라 sex=F age=31 region=부산 topic="음악 좋아하는 분" taste=10 pop=140
list add jiwoo waiting album=25 stamp=2024/5/1/10/0/4 nick=지우 sex=F age=22 region=대구 topic="심심해요" taste=7 pop=12
list add hana chatting album=7 stamp=2024/5/1/10/0/5 nick=하나 sex=F age=35 region=광주 topic="여행: 제주도" taste=9 pop=230 webcam=N
list add eunji waiting album=1 stamp=2024/5/1/10/0/6 nick=은지 sex=F age=29 region=대전 topic="커피 한잔" taste=4 pop=77
list add seoyeon waiting album=40 stamp=2024/5/1/10/0/7 nick=서연 sex=F age=26 region=수원 topic="주말 계획" taste=8 pop=310
list add tom waiting stamp=2024/5/1/10/0/8 nick=Tom&Jerry sex=M age=31 region=부산 topic="반가워요" taste=9 pop=12 points=1234567
list add minho chatting stamp=2024/5/1/10/0/9 nick=민호 sex=M age=28 region=서울 topic="운동 같이 해요" taste=5 pop=45 points=12500
list add junho waiting stamp=2024/5/1/10/0/10 nick=준호 sex=M age=40 region=울산 topic="낚시" taste=-1 pop=3 points=999 webcam=N
list add daehan waiting stamp=2024/5/1/10/0/11 nick=대한 sex=M age=33 region=전주 topic="맛집 탐방" taste=6 pop=88 points=-1234
list buddy demo mina on
list buddy demo sora on
list buddy demo hana on
list buddy demo minho on
list friend demo sora on
list block demo jiwoo on
EOF
rm -f ctl && mkfifo ctl
for _ in $(seq 60); do
    if ! (exec 9<>/dev/tcp/127.0.0.1/5200) 2>/dev/null; then break; fi
    echo "port 5200 is in use; waiting" >&2
    sleep 5
done
"$native/devserver/devserver" --port 0 --list-port 5200 --script scenario.txt < ctl > devserver.log 2>&1 &
server=$!
exec 3> ctl
shown=""
cleanup() {
    [ -n "$shown" ] && kill "$shown" 2>/dev/null || true
    echo quit >&3 2>/dev/null || true
    exec 3>&- || true
    wait "$server" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do (exec 9<>/dev/tcp/127.0.0.1/5200) 2>/dev/null && break; sleep 0.2; done

# shoot NAME SEX [showcase arguments]: runs the showcase until it is ready,
# then crops its page window out of the screen.
shoot() {
    local name=$1 rect="" x y w h
    shift
    case " ${ONLY:-$name} " in *" $name "*) ;; *) return 0 ;; esac
    "$repo/tools/wine-run" ./rosterly_showcase.exe 127.0.0.1 "$@" > "$name.log" &
    shown=$!
    for _ in $(seq 150); do grep -q '^ready' "$name.log" 2>/dev/null && break; sleep 0.2; done
    grep -q '^ready' "$name.log" || { echo "$name: the showcase did not get ready" >&2; cat "$name.log" >&2; return 1; }
    rect=$(grep '^rect' "$name.log" | tr -d '\r')
    read -r _ x y w h <<< "$rect"
    sleep 1.2  # painted, and the menu opened
    import -window root -display "$DISPLAY" screen.png
    convert screen.png -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    # A menu reaches past the page's lower edge: the whole screen's top left too.
    case $name in menu*) convert screen.png -crop 1000x640+0+0 +repage "$out/$name-screen.png" ;; esac
    kill "$shown" 2>/dev/null || true
    wait "$shown" 2>/dev/null || true
    shown=""
    echo "$name: $(grep '^rows' "$name.log" | tr -d '\r') ${w}x${h} at ($x, $y)"
    sleep 0.5
}

shoot women man
shoot men woman
shoot label-men man label=woman rows=4
shoot buddies man buddy=B rows=3
shoot sorted-age man click=4
shoot sorted-age-desc man click=4 click=4
shoot selected man select=1
shoot menu man select=2 menu
shoot menu-same-sex man label=woman rows=4 select=0 menu
echo "screenshots in $out"
