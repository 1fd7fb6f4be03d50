#!/usr/bin/python3
"""Prints what the member list takes from the list server through the real
Notewell (under wine) and its bridge into the sample page's element in
headless Chromium, for a list of 20,000 and of 100,000 women seen by a man:

- from the list server's last record sent to the rows shown (the element's
  "rowsshown" event once the last member is in), and from opening the page
  (which subscribes as it loads) to the rows shown; beside it what a plain
  page takes to put the same number of rows into the same element from
  memory (member_list_page_bench.html, rows messages of 500 parsed from JSON);
- Notewell's longest turn on its main thread for the list meanwhile
  (WM_COUNT_LIVE_OBJECTS wParam 8, asked with notewell_ask.exe), with the
  pages and rows it holds (wParam 6 and 7);
- the bridge's bytes per member (what the page's connection received, as the
  kernel counts it, divided by the members);
- whether a popup waits behind the list: the dev server sends the member a
  note while the list arrives, and the time until its window shows.

    /usr/bin/python3 tools/bench/member_list_bridge_bench.py [--members 20000,100000]
        [--devserver build/native-rel/devserver/devserver]

Runs in a network namespace of its own with its own X display and wine
prefix (tests/browser/browser-env.sh), as the browser tests do; needs the
x86_64 or release build of Notewell and notewell_ask, and the native dev
server (best one built without the sanitizers, so that the server's pace is
not what is measured; README: Benchmarks).
"""
import argparse
import http.server
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tests", "browser"))

VIEWER = {"ID": "benchman", "PWD": "pw-bench", "SEX": "M", "LIST_SEX": "man", "SESSIONID": "bench-session",
          "SERVERIP": "127.0.0.1"}
LOG_TIME = re.compile(r"^\s*(\d+) ms  ")

# Runs after the page has loaded nothing yet: every "rowsshown" the element
# fires (a capturing listener sees the event, which does not bubble) is kept
# with its time on the epoch clock.
PAGE_CLOCK = """
window.__bench = {shown: [], events: []};
window.addEventListener("rowsshown", function (e) {
    window.__bench.shown.push([performance.timeOrigin + performance.now(), e.detail.rows]);
}, true);
// What went wrong, when a run fails: the element's refusals and the bridge's closes.
window.addEventListener("listerror", function (e) { window.__bench.events.push(["listerror", e.detail]); }, true);
(function (Socket) {
    window.WebSocket = function (url, protocols) {
        var s = protocols === undefined ? new Socket(url) : new Socket(url, protocols);
        s.addEventListener("close", function (e) {
            window.__bench.events.push(["close", url, e.code, e.reason, performance.timeOrigin + performance.now()]);
        });
        return s;
    };
    window.WebSocket.prototype = Socket.prototype;
    window.WebSocket.OPEN = Socket.OPEN;
})(window.WebSocket);
"""


def enter_namespace(argv):
    """Runs this program again inside a network namespace of its own, with
    the display, wine and build that the browser tests set up."""
    inner = r'''
        ip link set lo up || exit 1
        source "$1/tests/browser/browser-env.sh"
        trap browser_cleanup EXIT
        browser_start || exit 1
        export CORVALA_BROWSER_NAMESPACE=1 CORVALA_NOTEWELL=$notewell CORVALA_DEVSERVER=$devserver \
            CORVALA_WEB_HOST=$web_host CORVALA_BUILD=$build
        shift
        /usr/bin/python3 "$@"'''
    outer = r'''
        source "$1/tests/browser/browser-env.sh"
        browser_tools_present || { echo "The benchmark cannot run: $BROWSER_REASON" >&2; exit 77; }
        # A wineserver of this prefix outside the namespace would make Notewell's sockets there.
        wineserver -k >/dev/null 2>&1 || true
        exec unshare -n bash -c "$CORVALA_BENCH_INNER" bench "$@"'''
    os.environ.setdefault("DISPLAY", ":88")
    os.environ.setdefault("WINEPREFIX", os.path.join(REPO, "build", "wineprefix-bench"))
    os.environ["CORVALA_BENCH_INNER"] = inner
    os.execvp("bash", ["bash", "-c", outer, "bench", REPO, os.path.abspath(__file__)] + argv)


class Site(http.server.SimpleHTTPRequestHandler):
    root = ""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=Site.root, **kwargs)

    def log_message(self, *args):
        pass


def make_site():
    """The service's site: web/, the plain page's benchmark, and the sample
    page as the service's server writes it for the benchmark's member."""
    site = tempfile.mkdtemp(prefix="corvala-bench-site-")
    os.symlink(os.path.join(REPO, "web"), os.path.join(site, "web"))
    os.symlink(os.path.join(REPO, "tools"), os.path.join(site, "tools"))
    os.symlink(os.path.join(REPO, "tests", "browser"), os.path.join(site, "test"))
    os.mkdir(os.path.join(site, "member"))
    with open(os.path.join(REPO, "docs", "sample-page.html"), encoding="utf-8") as f:
        page = f.read()
    for key, value in VIEWER.items():
        page = page.replace("{%s}" % key, value)
    with open(os.path.join(site, "member", "sample-page.html"), "w", encoding="utf-8") as f:
        f.write(page)
    return site


class DevServer:
    """The dev server on 5210 and 5200, its scenario lines on a pipe, its log in a file."""

    def __init__(self, program, log_path):
        self.log_path = log_path
        self.log_file = open(log_path, "w")
        self.process = subprocess.Popen(
            [program, "--port", "5210", "--list-port", "5200", "--member", "benchman:벤치:M:30",
             "--member", "alice:앨리스:F:27"],
            stdin=subprocess.PIPE, stdout=self.log_file, stderr=subprocess.STDOUT, text=True, encoding="utf-8")

    def say(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def lines(self):
        with open(self.log_path, encoding="utf-8", errors="replace") as f:
            return f.read().splitlines()

    def wait_for(self, pattern, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            found = [l for l in self.lines() if re.search(pattern, l)]
            if found:
                return found
            time.sleep(0.05)
        return []

    def epoch_of_start(self, probes=8):
        """The server's log times are milliseconds since it started, on a
        clock of its own. Each probe line is written at a known epoch time t
        and logged at m ms, at most a moment after t, so the start is at or
        just after t - m - 1 (the log truncates to whole ms); the largest of
        these over the probes is the estimate, good to about a millisecond."""
        best = None
        for i in range(probes):
            tag = "clock-%d-%d" % (os.getpid(), time.monotonic_ns())
            t = time.time() * 1000.0
            self.say('log "%s"' % tag)
            line = self.wait_for(re.escape("script: " + tag), 5)
            if not line:
                continue
            m = int(LOG_TIME.match(line[0]).group(1))
            start = t - m - 0.5
            best = start if best is None else max(best, start)
            time.sleep(0.02)
        return best

    def stop(self):
        try:
            self.say("quit")
            self.process.wait(5)
        except (OSError, subprocess.TimeoutExpired, ValueError):
            self.process.kill()
            self.process.wait()
        self.log_file.close()


def browser_clock_offset(browser):
    """Chromium's epoch clock (performance.timeOrigin + now) against this
    program's (time.time): both read the machine's real-time clock, but the
    browser's origin is set once per page; the offset is measured through a
    round trip and taken at its middle."""
    samples = []
    for _ in range(5):
        before = time.time() * 1000.0
        theirs = browser.run("return performance.timeOrigin + performance.now();")
        after = time.time() * 1000.0
        samples.append((after - before, theirs - (before + after) / 2))
    trip, offset = min(samples)
    return offset, trip


def note_window_seen(seconds):
    """The epoch time at which a received note's window ("쪽지 받기") shows,
    or None; the windows are read about every 30 ms (xdotool)."""
    from browser_support import visible_windows
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if visible_windows("쪽지 받기"):
            return time.time() * 1000.0
        time.sleep(0.005)
    return None


def page_bytes_received():
    """What the page's bridge connection has received so far (TCP payload bytes)."""
    out = subprocess.run(["ss", "-tinH", "state", "established", "dport", "=", ":5290"],
                         capture_output=True, text=True, timeout=10).stdout
    found = re.findall(r"bytes_received:(\d+)", out)
    return sum(int(n) for n in found) if found else None


def ask_notewell(build, *what):
    ask = os.path.join(REPO, build, "tools", "bench", "notewell_ask.exe")
    if not os.path.isfile(ask):
        return None
    out = subprocess.run([os.path.join(REPO, "tools", "wine-run"), ask] + [str(w) for w in what],
                         capture_output=True, text=True, timeout=60).stdout
    answers = dict(line.strip().split("=", 1) for line in out.splitlines() if "=" in line)
    return {int(k): int(v) for k, v in answers.items()}


def plain_page(browser, members, rounds):
    """member_list_page_bench.html's figures, a fresh page each round: first
    message to rows shown and last message to rows shown (medians)."""
    runs = []
    for _ in range(rounds):
        browser.open("http://%s/tools/bench/member_list_page_bench.html" % os.environ["CORVALA_WEB_HOST"])
        runs.append(json.loads(browser.call("return fill(arguments[0], true);", members)))
    return statistics.median(r["total"] for r in runs), statistics.median(r["lastToShown"] for r in runs)


class Bench:
    def __init__(self, args, browser, server):
        self.args = args
        self.browser = browser
        self.server = server
        self.web_host = os.environ["CORVALA_WEB_HOST"]
        self.build = os.environ["CORVALA_BUILD"]
        self.notewell = None

    def start_notewell(self):
        """From a page without the list: the link, then the identity; the
        tab that opened the link is closed (headless Chromium keeps its
        unanswered question on it)."""
        from browser_support import run_start_link, start_link, wait_until
        b = self.browser
        b.open("http://%s/test/bridge-page.html" % self.web_host)
        b.run("CorvalaDesktop.start();")
        link = wait_until(lambda: start_link(b), 5)
        if not link:
            raise RuntimeError("the page opened no notewell: link")
        self.notewell = run_start_link(os.environ["CORVALA_NOTEWELL"], link)
        b.run("CorvalaDesktop.login(arguments[0]);", {"id": VIEWER["ID"], "password": VIEWER["PWD"], "sex": "M",
                                                      "sessionId": VIEWER["SESSIONID"], "server": "127.0.0.1"})
        if not wait_until(lambda: b.state() == "loggedIn", 60):
            raise RuntimeError("Notewell did not log in (state %r)" % b.state())
        b.leave_link_tab()

    def stop_notewell(self):
        from browser_support import wait_until
        try:
            self.browser.call("return CorvalaDesktop.logout(false);")
        except Exception:  # the page is gone: Notewell is ended below
            pass
        if self.notewell:
            if not wait_until(lambda: self.notewell.poll() is not None, 15):
                self.notewell.kill()
            self.notewell.wait()
            self.notewell = None

    def one(self, members, prefix):
        from browser_support import wait_until
        s = self.server
        s.say("list clear")
        s.say("list fill %d sex=F prefix=%s chatting=7" % (members, prefix))
        tag = "filled-%s" % prefix
        s.say('log "%s"' % tag)
        if not s.wait_for(re.escape("script: " + tag), 120):
            raise RuntimeError("the dev server did not fill its list")
        self.start_notewell()
        server_start = s.epoch_of_start()
        mark = len(s.lines())
        driver = self.browser.driver
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PAGE_CLOCK})
        opened = time.time() * 1000.0
        self.browser.open("http://%s/member/sample-page.html" % self.web_host)
        offset, trip = browser_clock_offset(self.browser)
        # The note goes once the page has its first rows: the list is on its way through Notewell.
        count = lambda: self.browser.run("var l = document.getElementById('member-list');"
                                         " return l && l.rowCount !== undefined ? l.rowCount : 0;")
        wait_until(lambda: count() > 0, 120, step=0.005)
        rows_at_note = count()
        s.say('send to=%s 2007 4 note-from alice "목록이 오는 동안 쪽지"' % VIEWER["ID"])
        seen = note_window_seen(60)
        if seen is None:
            from browser_support import window_titles
            print("         no note window; on the screen: %s; the server: %s"
                  % (window_titles(), [l for l in s.lines() if "NOTE" in l or "input" in l][-5:]), flush=True)
        # Done when every member is in, or at once when the bridge let the page go.
        wait_until(lambda: count() == members or self.browser.state() != "loggedIn", 300, step=0.05)
        if count() != members:
            raise RuntimeError("the page shows %d of %d members; the page saw %s; state %r"
                               % (count(), members, self.browser.run("return __bench.events;"), self.browser.state()))
        wait_until(lambda: any(r == members for _, r in self.browser.run("return __bench.shown;")), 30)
        shown = [t for t, r in self.browser.run("return __bench.shown;") if r == members]
        received = page_bytes_received()
        asked = ask_notewell(self.build, 6, 7, 8)
        lines = s.lines()[mark:]
        records = [l for l in lines if " out LIST_MEMBERS kind 4 " in l]
        notes = [l for l in lines if " out NOTE kind 4 " in l]
        if not records:
            raise RuntimeError("the dev server's log shows no records sent")
        ms = lambda line: int(LOG_TIME.match(line).group(1))
        first_sent, last_sent = server_start + ms(records[0]), server_start + ms(records[-1])
        shown_at = shown[0] - offset          # on this program's clock
        note_sent = server_start + ms(notes[0]) if notes else None
        result = {
            "members": members, "records": len(records), "server": last_sent - first_sent,
            "lastToShown": shown_at - last_sent, "openToShown": shown_at - opened,
            "bytes": received, "asked": asked, "rowsAtNote": rows_at_note,
            "noteToWindow": seen - note_sent if seen and note_sent else None,
            "listDoneAfterNote": shown_at - note_sent if note_sent else None,
            "offset": offset, "trip": trip,
        }
        self.stop_notewell()
        return result


def print_result(r, plain):
    asked = r["asked"] or {}
    turn = asked.get(8)
    print("%7d members: list server's last record sent to rows shown %.0f ms; opening the page to rows"
          " shown %.0f ms (the server sent its %d records in %.0f ms); a plain page from memory: %.0f ms to rows"
          " shown, %.0f ms from its last message"
          % (r["members"], r["lastToShown"], r["openToShown"], r["records"], r["server"], plain[0], plain[1]))
    print("         Notewell's longest turn for the list on its main thread: %s; pages %s, rows %s"
          % ("%.1f ms" % (turn / 1000.0) if turn is not None and turn >= 0 else
             "missing (notewell_ask.exe is not built or did not answer)",
             asked.get(6, "?"), asked.get(7, "?")))
    print("         bridge: %s bytes received by the page, %s bytes per member"
          % (r["bytes"], "%.1f" % (r["bytes"] / r["members"]) if r["bytes"] else "?"))
    if r["noteToWindow"] is not None:
        after = r["listDoneAfterNote"]
        print("         a note sent while the list arrived (the page had %d of %d rows): its window showed %.0f ms"
              " after the server sent it; %s"
              % (r["rowsAtNote"], r["members"], r["noteToWindow"],
                 "the whole list was shown %.0f ms after the note" % after if after > 0
                 else "the whole list was already shown"))
    else:
        print("         a note sent while the list arrived: no window within 60 s")
    print("         (clocks: Chromium's epoch clock %+.2f ms from the bench's, read in a %.1f ms round trip)"
          % (r["offset"], r["trip"]))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--members", default="20000,100000")
    parser.add_argument("--rounds", type=int, default=3, help="rounds of the plain page")
    parser.add_argument("--devserver", default="")
    args = parser.parse_args()
    if not os.environ.get("CORVALA_BROWSER_NAMESPACE"):
        enter_namespace(sys.argv[1:])  # the same folder there: a relative --devserver stays right
    from browser_support import Browser
    sizes = [int(n) for n in args.members.split(",")]
    devserver = args.devserver or os.environ["CORVALA_DEVSERVER"]
    out = tempfile.mkdtemp(prefix="corvala-bench-")
    Site.root = make_site()
    site = http.server.ThreadingHTTPServer(("127.0.0.1", 80), Site)
    threading.Thread(target=site.serve_forever, daemon=True).start()
    server = DevServer(devserver, os.path.join(out, "devserver.log"))
    browser = Browser([os.environ["CORVALA_WEB_HOST"]], window_size=(1000, 760))
    bench = Bench(args, browser, server)
    print("Chromium %s, headless; Notewell of %s under wine; dev server %s; the sample page's list element"
          " 560 by 400 pixels; a man's list of women"
          % (browser.driver.capabilities.get("browserVersion"), os.environ["CORVALA_BUILD"], devserver), flush=True)
    status = 0
    try:
        for i, members in enumerate(sizes):
            plain = plain_page(browser, members, args.rounds)
            try:
                print_result(bench.one(members, "f%d" % i), plain)
            except RuntimeError as error:
                print("%7d members: failed: %s" % (members, error))
                status = 1
                bench.stop_notewell()
            sys.stdout.flush()
    finally:
        browser.close()
        bench.stop_notewell()
        server.stop()
        site.shutdown()
        shutil.rmtree(Site.root, ignore_errors=True)
        if status:
            print("The dev server's log: %s" % server.log_path)
        else:
            shutil.rmtree(out, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main())
