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

# True when an X server answers on $DISPLAY.
display_alive() { xdotool getdisplaygeometry >/dev/null 2>&1; }

# Imports registry settings given on stdin (UTF-8, without the header line).
# Korean names do not survive a wine command line in this host's locale, so
# they go in as a UTF-16 registry file.
wine_import_reg() {
    local reg="$WINEPREFIX/corvala-import.reg"
    { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; sed 's/$/\r/'; } | iconv -f UTF-8 -t UTF-16 > "$reg"
    wine64 regedit /S "$reg" >/dev/null 2>&1
    rm -f "$reg"
}

wine_env_start() {
    local n=${DISPLAY#:}; n=${n%%.*}
    if ! display_alive; then
        # The lock and socket of a display server that has ended would make a
        # new Xvfb refuse the display, and every window creation fail.
        rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
        for _ in $(seq 100); do display_alive && break; sleep 0.1; done
        display_alive || { echo "no X display on $DISPLAY: Xvfb did not start" >&2; return 1; }
    fi
    if ! [ -f "$WINEPREFIX/.corvala-ready" ]; then
        mkdir -p "$WINEPREFIX"
        wine64 wineboot -i >/dev/null 2>&1
        wineserver -w
        # Korean dialog fonts of the service map onto Debian's Nanum fonts.
        wine_import_reg <<'EOF'
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Gulim"="NanumGothic"
"GulimChe"="NanumGothicCoding"
"굴림"="NanumGothic"
"굴림체"="NanumGothicCoding"
"MS Shell Dlg"="NanumGothic"
EOF
        wineserver -w
        touch "$WINEPREFIX/.corvala-ready"
    fi
    # One persistent server: starting each test program then costs ~0.05 s instead of ~2.5 s.
    setsid wineserver -p >/dev/null 2>&1 < /dev/null &
    sleep 0.3
}

# For what people look at (the demo, screenshots), not for the tests' prefix:
# dialogs get a "System" font with the Windows metrics (8 x 16 dialog base
# units; wine's own is 8 x 15), so the popups have their Windows pixel sizes
# and the skins line up with the controls; and without a window manager wine
# draws the caption bars itself. The list view, menus and the installer use
# the system's dialog fonts, which get Korean glyphs.
wine_windows_look() {
    fc-list : family | grep "URW Gothic" >/dev/null ||
        echo "URW Gothic (fonts-urw-base35) is missing: popups will not have their Windows sizes" >&2
    wine_import_reg <<'EOF'
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"System"="URW Gothic"
"MS Shell Dlg 2"="NanumGothic"
"Tahoma"="NanumGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
EOF
}

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
}
