"""What the browser tests and the demo's browser path share: Chromium through
Selenium, the system's part of a notewell: link, and the wine display's
windows (wine's windows are X windows, read with xdotool)."""
import os
import re
import shutil
import subprocess
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


# Reads a page's <corvala-member-list id="member-list"> (the sample page's)
# as the member sees it: each row's cells (an icon cell by its icon's file),
# the header, the open menu; run it once the page has loaded.
LIST_PAGE_HELPERS = """
window.listView = (function () {
    var list = document.getElementById("member-list"), errors = [];
    list.addEventListener("listerror", function (e) { errors.push(e.detail); });
    function root() { return list.shadowRoot; }
    function frame() {
        return new Promise(function (d) { requestAnimationFrame(function () { requestAnimationFrame(d); }); });
    }
    function cellsOf(row) {
        return Array.prototype.map.call(row.children, function (cell) {
            var img = cell.querySelector("img");
            return img ? (img.hidden ? "" : img.src.split("/").pop()) : cell.textContent;
        });
    }
    return {
        list: list,
        errors: errors,
        // The row element of a listed member, scrolled into view (a promise; null when not listed).
        row: function (id) {
            var index = list.memberIds().indexOf(id), view = root().querySelector(".viewport");
            if (index < 0) return Promise.resolve(null);
            if (index * 27 < view.scrollTop || (index + 1) * 27 > view.scrollTop + view.clientHeight) {
                view.scrollTop = index * 27;
            }
            return frame().then(function () {
                for (var r = root().querySelector(".layer").firstElementChild; r; r = r.nextElementSibling) {
                    if (r._entry && r._entry.id === id) return r;
                }
                return null;
            });
        },
        cells: function (id) {
            return this.row(id).then(function (r) { return r && cellsOf(r); });
        },
        header: function () {
            return Array.prototype.map.call(root().querySelectorAll(".hitem"), function (h) { return h.textContent; });
        },
        menu: function () {
            var menu = root().querySelector(".menu");
            return menu && Array.prototype.map.call(menu.querySelectorAll(".item"), function (item) {
                return [item.firstChild.nodeValue, !item.classList.contains("disabled")];
            });
        },
        item: function (text) {
            var menu = root().querySelector(".menu");
            return menu && Array.prototype.filter.call(menu.querySelectorAll(".item"), function (item) {
                return item.firstChild.nodeValue === text;
            })[0];
        }
    };
})();
"""


def wait_until(predicate, seconds, step=0.2):
    end = time.monotonic() + seconds
    while True:
        value = predicate()
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


def xdotool(*args):
    return subprocess.run(["xdotool"] + list(args), capture_output=True, text=True, timeout=10).stdout


def screen():
    """The visible X windows: (window, title, process id)."""
    windows = []
    for window in xdotool("search", "--onlyvisible", "--name", ".").split():
        pid = xdotool("getwindowpid", window).strip()
        windows.append((window, xdotool("getwindowname", window).strip(), int(pid) if pid.isdigit() else None))
    return windows


def visible_windows(title):
    return [(window, pid) for window, name, pid in screen() if name == title]


def window_titles():
    return [name for _, name, _ in screen()]


def answer_escape(window):
    """What a member's Esc does: Cancel on a question, OK on a notice. With no
    window manager the box takes the keyboard once clicked (on its caption)."""
    where = dict(line.split("=", 1) for line in xdotool("getwindowgeometry", "--shell", window).split())
    xdotool("mousemove", str(int(where["X"]) + int(where["WIDTH"]) // 2), str(int(where["Y"]) + 8), "click", "1")
    time.sleep(0.3)
    xdotool("key", "Escape")


def open_row_menu(browser, member):
    """Right-clicks the member's row on a page with LIST_PAGE_HELPERS, as the
    member does: the menu's items and whether each is enabled, or None."""
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    row = browser.driver.execute_async_script(
        "var done = arguments[arguments.length - 1]; listView.row(arguments[0]).then(done);", member)
    if row is None:
        return None
    ActionChains(browser.driver).context_click(row.find_element(By.CSS_SELECTOR, ".c1")).perform()
    return wait_until(lambda: browser.run("return listView.menu();"), 5)


def point_at_menu_item(browser, text):
    from selenium.webdriver.common.action_chains import ActionChains
    item = browser.run("return listView.item(arguments[0]);", text)
    if item:
        ActionChains(browser.driver).move_to_element(item).perform()
    return item


def choose_menu_item(browser, text, under=None):
    """Clicks an item of the open menu (in the sub-menu `under`); whether the menu then closed."""
    if under:
        point_at_menu_item(browser, under)
    item = point_at_menu_item(browser, text)
    if not item:
        return False
    item.click()
    return wait_until(lambda: browser.run("return listView.menu();") is None, 5)


class ServerLog:
    """The dev server's log: a line per packet, "in" from a client."""

    def __init__(self, path):
        self.path = path

    def text(self):
        with open(self.path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def received(self, pattern):
        """Lines of packets from a client that match."""
        return [line for line in self.text().splitlines() if re.search(r" in  " + pattern, line)]

    def received_since(self, mark):
        """What clients sent after the log had `mark` characters, keep-alives aside."""
        tail = self.text()[mark:]
        return [l for l in tail.splitlines() if " in  " in l and " in  KEEPALIVE" not in l]


class ServerInput:
    """The dev server's standard input (a FIFO the run keeps open): scenario
    lines that run as they arrive, e.g. "list fill 300 sex=F prefix=w"."""

    def __init__(self, path):
        self.file = open(path, "w", encoding="utf-8")

    def say(self, *lines):
        for line in lines:
            self.file.write(line + "\n")
        self.file.flush()

    def close(self):
        self.file.close()


def start_link(browser):
    """The notewell: link the page's start() handed the system, or None."""
    return browser.run("var f = document.getElementById('corvala-desktop-start'); return f && f.src;")


def run_start_link(notewell, link):
    """The system's part: the command the installer registers for the scheme
    ("Notewell.exe" --url "%1"), which headless Chromium has no one to run."""
    return subprocess.Popen([os.path.join(REPO, "tools/wine-run"), notewell, "--url", link],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Browser:
    """Chromium with the given host names served from loopback."""

    def __init__(self, hosts, headless=True, window_size=None):
        self.profile = tempfile.mkdtemp(prefix="corvala-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        args = ["--no-sandbox", "--disable-gpu", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--no-first-run",
                "--user-data-dir=" + self.profile,
                "--host-resolver-rules=" + ", ".join("MAP %s 127.0.0.1" % host for host in hosts)]
        if headless:
            args.insert(0, "--headless=new")
        if window_size:
            args.append("--window-size=%d,%d" % window_size)
        for arg in args:
            options.add_argument(arg)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(90)

    def open(self, url):
        self.driver.get(url)

    def run(self, script, *args):
        return self.driver.execute_script(script, *args)

    def call(self, expression, *args):
        """Awaits a promise the page makes; the result comes back as JSON."""
        return self.driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "Promise.resolve((function () { " + expression + " }).apply(null, arguments))"
            ".then(function (r) { done(JSON.stringify(r === undefined ? null : r)); },"
            "      function (e) { done(JSON.stringify({thrown: String(e)})); });", *args)

    def state(self):
        return self.run("return CorvalaDesktop.state;")

    def script_errors(self):
        """The script's own errors; a port that refuses the connection is expected."""
        return [e["message"] for e in self.driver.get_log("browser") if e.get("level") == "SEVERE"
                and "corvala-desktop.js" in e.get("message", "") and "WebSocket connection to" not in e["message"]]

    def leave_link_tab(self):
        """Goes on in a new tab and closes this one. Headless Chromium keeps
        its question whether to open a notewell: link on the tab that opened
        it, unanswered, and that tab then takes no more input."""
        first = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        second = self.driver.current_window_handle
        self.driver.switch_to.window(first)
        self.driver.close()
        self.driver.switch_to.window(second)

    def close(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)
