# Sourced by the build, test and demo scripts: makes sure an X display (Xvfb),
# a wine prefix with Korean font substitutes, and one persistent wineserver exist.
# A wineserver started without DISPLAY would fail every later window creation,
# so the display always comes first.
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$repo/build/wineprefix}"
export DISPLAY="${DISPLAY:-:77}"
export WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64
# Korean locale for wine only (ANSI code page 949); the host need not have it.
wine64() { LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 /usr/lib/wine/wine64 "$@"; }

wine_env_start() {
    local n=${DISPLAY#:}; n=${n%%.*}
    if ! [ -e "/tmp/.X11-unix/X$n" ]; then
        setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    if ! [ -f "$WINEPREFIX/.corvala-ready" ]; then
        mkdir -p "$WINEPREFIX"
        wine64 wineboot -i >/dev/null 2>&1
        wineserver -w
        # Korean dialog fonts of the service map onto Debian's Nanum fonts.
        local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
        for pair in "Gulim:NanumGothic" "GulimChe:NanumGothicCoding" "굴림:NanumGothic" "굴림체:NanumGothicCoding" "MS Shell Dlg:NanumGothic"; do
            wine64 reg add "$key" /v "${pair%%:*}" /t REG_SZ /d "${pair#*:}" /f >/dev/null 2>&1
        done
        wineserver -w
        touch "$WINEPREFIX/.corvala-ready"
    fi
    # One persistent server: starting each test program then costs ~0.05 s instead of ~2.5 s.
    setsid wineserver -p >/dev/null 2>&1 < /dev/null &
    sleep 0.3
}

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
}
