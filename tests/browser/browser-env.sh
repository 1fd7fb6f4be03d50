# Sourced by the browser tests and the demo's browser path: the service's page
# in Debian's Chromium against the real Notewell under wine and the dev server.
#
# Everything runs in a network namespace of its own (loopback only), so the
# fixed ports (80, 5200, 5210, 5290) never meet another run's; wine makes
# sockets in the wineserver, so the wineserver starts inside too. The caller
# sets DISPLAY and WINEPREFIX (its own) before sourcing.
browser_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Fails with BROWSER_REASON set when Chromium, its driver or Selenium is missing.
browser_tools_present() {
    local tool
    BROWSER_REASON=""
    for tool in /usr/bin/chromium /usr/bin/chromedriver; do
        [ -x "$tool" ] || BROWSER_REASON="$tool is missing (bash tools/setup.sh installs chromium and chromium-driver)"
    done
    [ -n "$BROWSER_REASON" ] || /usr/bin/python3 -c "import selenium" 2>/dev/null ||
        BROWSER_REASON="Debian's python3-selenium is missing"
    [ -z "$BROWSER_REASON" ]
}

# Runs the calling script again (with its arguments) inside a network
# namespace of its own, loopback up; there CORVALA_BROWSER_NAMESPACE is set.
browser_enter_namespace() {
    # A wineserver of this prefix outside the namespace would make Notewell's sockets there.
    wineserver -k >/dev/null 2>&1 || true
    exec unshare -n bash -c 'ip link set lo up || { echo "no loopback in the network namespace" >&2; exit 1; }
        exec env CORVALA_BROWSER_NAMESPACE=1 bash "$@"' bash "$@"
}

# Inside the namespace: the X display (an Xvfb of this run's
# when none answers), wine, and the build. Sets build, notewell, devserver
# and web_host (the web host the build's site lock serves). Processes to end
# go into browser_started; call browser_cleanup at exit.
browser_started=()
browser_temp=()
browser_xvfb=""
browser_start() {
    source "$browser_repo/tools/wine-env.sh"
    if ! display_alive; then
        local n=${DISPLAY#:}
        rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 < /dev/null &
        browser_xvfb=$!
        for _ in $(seq 100); do display_alive && break; sleep 0.1; done
    fi
    wine_env_start || return 1
    # The release build where 32-bit programs run, as the Windows suite does.
    wine_pick_build
    notewell=$browser_repo/$build/tray/Notewell.exe
    devserver=$browser_repo/build/native/devserver/devserver
    local f
    for f in "$notewell" "$devserver"; do
        [ -f "$f" ] || { echo "$f is missing: build first (bash tools/build.sh)" >&2; return 1; }
    done
    web_host=$(sed -n 's/^CORVALA_WEB_HOST:[A-Z]*=//p' "$browser_repo/$build/CMakeCache.txt")
    web_host=${web_host:-www.corvala.co.kr}
}

# Whether Chromium starts here at all (then a failure later is the product's);
# its output goes to the log file given.
browser_chromium_starts() {
    local profile
    profile=$(mktemp -d)
    browser_temp+=("$profile")
    timeout 60 /usr/bin/chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
        --user-data-dir="$profile" --dump-dom about:blank >"$1" 2>&1
}

# The service's web site on port 80, serving the folder given.
browser_serve_site() {
    /usr/bin/python3 -m http.server 80 --bind 127.0.0.1 --directory "$1" >"$2" 2>&1 &
    browser_started+=($!)
}

# Waits up to 5 s for each port given to take connections.
browser_wait_ports() {
    local port
    for port in "$@"; do
        for _ in $(seq 50); do (exec 9<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
    done
}

browser_cleanup() {
    local pid
    for pid in "${browser_started[@]}"; do kill "$pid" 2>/dev/null; done
    wineserver -k >/dev/null 2>&1 || true
    [ -z "$browser_xvfb" ] || kill "$browser_xvfb" 2>/dev/null
    rm -rf "${browser_temp[@]}"
}
