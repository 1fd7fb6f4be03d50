# Sourced by the build, test and demo scripts: makes sure an X display (Xvfb),
# a wine prefix with Korean font substitutes, and one persistent wineserver exist.
# No window manager runs on Xvfb, and wine's X11 driver waits up to 2 s for one
# whenever a managed window is hidden or destroyed; every prefix here therefore
# has wine place its windows itself ("Managed"="N").
# A wineserver started without DISPLAY would fail every later window creation,
# so the display always comes first.
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The wine processes' locale: Korean (ANSI code page 949) unless
# CORVALA_WINE_LANG names another, e.g. en_US.UTF-8 (code page 1252) with a
# prefix of its own; the host need not have either.
export CORVALA_WINE_LANG="${CORVALA_WINE_LANG:-ko_KR.UTF-8}"
export WINEPREFIX="${WINEPREFIX:-$repo/build/wineprefix}"
export DISPLAY="${DISPLAY:-:77}"
export WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64
wine64() { LANG=$CORVALA_WINE_LANG LC_ALL=$CORVALA_WINE_LANG /usr/lib/wine/wine64 "$@"; }

# Whether this machine runs 32-bit Windows programs, the release build among
# them: the kernel must execute 32-bit code (IA32 emulation can be off) and
# the prefix must be a WoW64 one. Sets WINE32_REASON when it cannot.
# Call after wine_env_start.
wine_runs_32bit() {
    WINE32_REASON=""
    if ! [ -x /usr/lib/wine/wine ]; then
        WINE32_REASON="wine's 32-bit loader (Debian's wine32:i386) is not installed"
    elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        WINE32_REASON="this kernel does not execute 32-bit programs (/usr/lib/wine/wine --version fails)"
    elif ! [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
        WINE32_REASON="the wine prefix $WINEPREFIX has no 32-bit side (made before wine32 was installed?)"
    elif [ "$(LANG=$CORVALA_WINE_LANG LC_ALL=$CORVALA_WINE_LANG WINELOADER=/usr/lib/wine/wine /usr/lib/wine/wine cmd.exe /c echo wow64 2>/dev/null | tr -d '\r')" != wow64 ]; then
        WINE32_REASON="a 32-bit program (cmd.exe) did not run in the prefix"
    fi
    [ -z "$WINE32_REASON" ]
}

# The Windows build the demo and the browser tests run: the release build
# (i686) where 32-bit programs run and it has been built, else x86_64's. Sets
# build and BUILD_REASON (why not the release build; empty when it is).
# Call after wine_env_start.
wine_pick_build() {
    BUILD_REASON=""
    if ! wine_runs_32bit; then
        BUILD_REASON="32-bit programs do not run here ($WINE32_REASON)"
    elif ! [ -f "$repo/build/win32/tray/Notewell.exe" ]; then
        BUILD_REASON="the release build (build/win32) is not built"
    fi
    if [ -z "$BUILD_REASON" ]; then build=build/win32; else build=build/win64; fi
}

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

# Creating a prefix takes about 15 s, but now and then one of wineboot's
# programs crashes and wine's debugger waits for ever; a bounded try is thrown
# away and made again.
wine_create_prefix() {
    local try
    for try in 1 2 3; do
        mkdir -p "$WINEPREFIX"
        timeout 180 env LANG="$CORVALA_WINE_LANG" LC_ALL="$CORVALA_WINE_LANG" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 &&
            timeout 60 wineserver -w && return 0
        echo "creating the wine prefix $WINEPREFIX hung (try $try); making it again" >&2
        wineserver -k >/dev/null 2>&1
        sleep 1
        rm -rf "$WINEPREFIX"
    done
    echo "could not create the wine prefix $WINEPREFIX" >&2
    return 1
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
    # The marker names what the set-up below gives; an older prefix gets it again.
    if ! [ -f "$WINEPREFIX/.corvala-ready-2" ]; then
        wine_create_prefix || return 1
        # Korean dialog fonts of the service map onto Debian's Nanum fonts.
        wine_import_reg <<'EOF'
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"Gulim"="NanumGothic"
"GulimChe"="NanumGothicCoding"
"굴림"="NanumGothic"
"굴림체"="NanumGothicCoding"
"MS Shell Dlg"="NanumGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
EOF
        wineserver -w
        touch "$WINEPREFIX/.corvala-ready-2"
    fi
    # One persistent server: starting each test program then costs ~0.05 s instead of ~2.5 s.
    setsid wineserver -p >/dev/null 2>&1 < /dev/null &
    sleep 0.3
}

# For what people look at (the demo, screenshots), not for the tests' prefix:
# dialogs get a "System" font with the Windows metrics (8 x 16 dialog base
# units; wine's own is 8 x 15), so the popups have their Windows pixel sizes
# and the skins line up with the controls; and without a window manager wine
# draws the caption bars itself (unmanaged windows, as in every prefix here).
# The list view, menus and the installer use the system's dialog fonts, which
# get Korean glyphs.
wine_windows_look() {
    fc-list : family | grep "URW Gothic" >/dev/null ||
        echo "URW Gothic (fonts-urw-base35) is missing: popups will not have their Windows sizes" >&2
    # Caption buttons are Marlett glyphs; without it the close box shows a
    # letter. This wine finds no font of its own data folder, so the prefix
    # gets a copy.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp -u /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    else
        echo "wine's own fonts (fonts-wine) are missing: caption buttons will show letters" >&2
    fi
    wine_import_reg <<'EOF'
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"System"="URW Gothic"
"MS Shell Dlg 2"="NanumGothic"
"Tahoma"="NanumGothic"
EOF
}

wine_env_stop() {
    wineserver -k >/dev/null 2>&1 || true
}
