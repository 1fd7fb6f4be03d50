#!/usr/bin/python3
"""The member list element in headless Chromium: list messages go in through
list.apply() on a test page, and what the element asks of Notewell is
captured by a desktop object of the page's own; the last case runs the real
corvala-desktop.js against a stand-in bridge on Notewell's first port.

Runs alone (/usr/bin/python3 tests/browser/member_list_test.py; it starts its own web
server on a free loopback port, and as root it takes a network namespace of
its own so that the bridge's port is its own) and from run-browser-tests.sh.
"""
import base64
import functools
import hashlib
import http.server
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import threading
import time
import traceback

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

from browser_support import REPO, Browser, wait_until

PAGE = "/tests/browser/member-list-page.html"
PROFILE_PATH = "/~pvuser/HTML/01sub/01sub_14_01.htm"
BRIDGE_PORT = 5290
VIEWER = {"id": "viewer1", "password": "p&w 1", "sex": "woman", "server": "127.0.0.1"}


class Site(http.server.SimpleHTTPRequestHandler):
    """The repository as the service's site; form posts are kept, not served."""
    posts = []

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=REPO, **kwargs)

    def do_POST(self):
        length = min(int(self.headers.get("Content-Length") or 0), 65536)
        Site.posts.append((self.path, self.rfile.read(length).decode("utf-8", "replace")))
        body = b"<!DOCTYPE html><title>profile</title>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class FakeBridge:
    """A stand-in for Notewell's bridge: the WebSocket handshake and text
    frames, its state on connecting, a reply to every request, and on
    listSubscribe the list as Notewell sends it."""

    def __init__(self, port, members):
        self.requests = []
        self.connections = 0
        self.members = members
        self.conn = None
        self.server = socket.socket()
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", port))
        self.server.listen(4)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                conn, _ = self.server.accept()
            except OSError:
                return
            threading.Thread(target=self.session, args=(conn,), daemon=True).start()

    def session(self, conn):
        try:
            request = b""
            while b"\r\n\r\n" not in request and len(request) < 8192:
                chunk = conn.recv(1024)
                if not chunk:
                    return
                request += chunk
            key = [l.split(b":", 1)[1].strip() for l in request.split(b"\r\n") if l.lower().startswith(b"sec-websocket-key:")][0]
            accept = base64.b64encode(hashlib.sha1(key + b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11").digest())
            conn.sendall(b"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                         b"Sec-WebSocket-Accept: " + accept + b"\r\n\r\n")
            self.conn = conn
            self.connections += 1
            self.send({"type": "state", "state": "loggedIn"})
            while True:
                text = self.read_text(conn)
                if text is None:
                    return
                message = json.loads(text)
                self.requests.append(message)
                self.send({"type": "reply", "id": message.get("id"), "ok": True})
                if message.get("op") == "listSubscribe":
                    self.send({"type": "list", "event": "reset", "mode": "M", "fullMenu": True, "viewerIsWoman": True,
                               "columns": [["대화", 59], ["닉네임", 80], ["캠", 39], ["인기도", 63], ["나이", 51],
                                           ["지역", 52], ["포인트", 64], ["취향", 50], ["대화주제", 152]]})
                    self.send({"type": "list", "event": "rows", "rows": self.members})
        except (OSError, ValueError, IndexError):
            return
        finally:
            conn.close()

    @staticmethod
    def read_exact(conn, n):
        data = b""
        while len(data) < n:
            chunk = conn.recv(n - len(data))
            if not chunk:
                raise OSError("closed")
            data += chunk
        return data

    def read_text(self, conn):
        first, second = self.read_exact(conn, 2)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack(">H", self.read_exact(conn, 2))[0]
        elif length == 127:
            length = struct.unpack(">Q", self.read_exact(conn, 8))[0]
        mask = self.read_exact(conn, 4) if second & 0x80 else b"\0\0\0\0"
        payload = bytes(b ^ mask[i % 4] for i, b in enumerate(self.read_exact(conn, length)))
        return None if first & 0x0F == 8 else payload.decode("utf-8")

    def send(self, message):
        data = json.dumps(message, ensure_ascii=False).encode("utf-8")
        if len(data) < 126:
            header = struct.pack(">BB", 0x81, len(data))
        elif len(data) < 65536:
            header = struct.pack(">BBH", 0x81, 126, len(data))
        else:
            header = struct.pack(">BBQ", 0x81, 127, len(data))
        self.conn.sendall(header + data)

    def drop(self):
        """Notewell goes away: the connection closes."""
        conn, self.conn = self.conn, None
        if conn:
            conn.shutdown(socket.SHUT_RDWR)

    def close(self):
        self.server.close()
        self.drop()


def port_free(port):
    with socket.socket() as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Run:
    def __init__(self):
        self.results = []
        self.site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
        threading.Thread(target=self.site.serve_forever, daemon=True).start()
        self.base = "http://127.0.0.1:%d" % self.site.server_port
        self.browser = None

    def case(self, name, function):
        try:
            if function() == "skipped":
                print("SKIP  " + name, flush=True)
                return
            self.results.append((name, None))
            print("PASS  " + name, flush=True)
        except Exception as error:  # a failed case names what it saw; the next ones still run
            detail = str(error) or traceback.format_exc(limit=3)
            self.results.append((name, detail))
            print("FAIL  %s: %s" % (name, detail), flush=True)

    def fresh(self):
        self.browser.open(self.base + PAGE)
        check(self.browser.run("return !!customElements.get('corvala-member-list');"), "the element is not defined")

    def run(self, script, *args):
        return self.browser.run(script, *args)

    def wait(self, script, *args):
        """A page promise's value (JSON)."""
        return json.loads(self.browser.call(script, *args))

    def drawn(self):
        """Waits for a frame so the element has drawn what it was given."""
        self.wait("return new Promise(function (d) { requestAnimationFrame(function () {"
                  " requestAnimationFrame(function () { d(true); }); }); });")

    def actions(self):
        return ActionChains(self.browser.driver)

    def row_cell(self, row, column):
        return self.run("return rowElement(arguments[0]).children[arguments[1]];", row, column)

    # ---- the cases ----

    def cells_are_derived_as_the_control_derives_them(self):
        self.fresh()
        count = self.wait("""
            list.apply(reset("M"));
            var done = shown();
            list.apply(rows([
                member("a", {female: 0, status: "대기중", nick: "A&&B", cam: "Y", pop: "12", age: 25, region: "서울",
                             points: -1234, taste: 5, topic: "hi:there"}),
                member("b", {female: 0, status: "대화중", nick: "b", cam: "N", points: 1234567, taste: -1, topic: "x"}),
                member("c", {female: 0, points: -123, taste: 42}),
                member("d", {female: 1, album: 12, taste: 10}),
                ["short"], member("x".repeat(65)), member("f", {female: 2}), member("g", {nick: "x".repeat(5000)}),
                member("h", {bits: 256}), member("", {})
            ]));
            return done;""")
        check(count == 4, "rowsshown reported %r rows" % count)
        rows = self.run("return list.visibleRows();")
        check(rows == [["0", "A&&B", "2", "12", "25", "서울", "-1,234", "하이힐", "hi"],
                       ["1", "b", "3", "", "", "", "1,234,567", "", "x"],
                       ["1", "", "3", "", "", "", "-,123", "42", ""],
                       ["1", "", "3", "", "", "", "12", "스타킹", ""]], "cells %s" % rows)
        check(self.run("return list.rowCount;") == 4, "bad records were listed: %s" % self.run("return list.memberIds();"))
        icons = self.run("""return [0, 1].map(function (r) { return [0, 2].map(function (c) {
            var img = rowElement(r).children[c].querySelector('img');
            return img.hidden ? '' : img.src.split('/').pop(); }); });""")
        check(icons == [["waiting.ico", "webcam.ico"], ["chatting.ico", "no_webcam.ico"]], "icons %s" % icons)
        loaded = self.wait("""var img = rowElement(0).children[0].querySelector('img');
            return img.decode().then(function () { return [img.naturalWidth, img.naturalHeight]; });""")
        check(loaded == [42, 21], "the status icon loaded as %s" % loaded)
        look = self.run("""var s = function (e) { return getComputedStyle(e); };
            return [s(rowElement(0)).backgroundColor, s(rowElement(1)).backgroundColor, s(rowElement(0)).height,
                    s(rowElement(0).children[6]).textAlign, s(rowElement(0).children[1]).textAlign,
                    s(rowElement(0).children[4]).textAlign,
                    Array.prototype.map.call(parts().header, function (h) { return [h.textContent, h.offsetWidth]; })];""")
        check(look[:6] == ["rgb(255, 255, 255)", "rgb(238, 234, 216)", "27px", "right", "left", "center"],
              "stripes, height and alignments %s" % look[:6])
        check(look[6] == [["대화", 59], ["닉네임", 80], ["캠", 39], ["인기도", 63], ["나이", 51], ["지역", 52],
                          ["포인트", 64], ["취향", 50], ["대화주제", 152]], "header %s" % look[6])

    def sorting_follows_the_controls_rules(self):
        self.fresh()
        self.run("""
            list.apply(reset("F"));
            list.apply(rows([
                member("w1", {nick: "나", age: 10, album: 5, status: "대기중", stamp: "2024/1/1/0/0/10"}),
                member("w2", {nick: "가", age: 9, album: 12, stamp: "2024/1/1/0/0/5"}),
                member("w3", {nick: "나", age: 25, album: 3, status: "대화중", stamp: "2024/1/1/0/0/9"}),
                member("w4", {nick: "다", age: 100, album: 7, stamp: "2024/1/1/0/0/1"})]));""")
        self.drawn()
        header = lambda i: self.run("return parts().header[arguments[0]];", i)
        ids = lambda: self.run("return list.memberIds();")
        arrows = lambda: self.run("return Array.prototype.map.call(parts().header,"
                                  " function (h) { return h.getAttribute('aria-sort') || ''; });")
        seen = []
        for _ in range(3):
            header(4).click()
            seen.append(ids())
        check(seen == [["w2", "w1", "w3", "w4"], ["w4", "w3", "w1", "w2"], ["w2", "w1", "w3", "w4"]],
              "three clicks on the age: %s" % seen)
        # Equal nicknames: a woman's rows by the stamps' numbers (9 before 10), her status aside.
        header(1).click()
        check(ids() == ["w2", "w3", "w1", "w4"], "nicknames ascending: %s" % ids())
        header(1).click()
        check(ids() == ["w4", "w1", "w3", "w2"], "nicknames descending: %s" % ids())
        check(arrows() == ["", "descending", "", "", "", "", "", "", ""], "arrows %s" % arrows())
        # A mode change keeps the sort state: the arrow stays, the new rows come unsorted.
        self.run("""
            list.apply(reset("M"));
            list.apply(rows([
                member("m1", {female: 0, nick: "철수", status: "대화중", points: 1000, stamp: "2024/1/1/0/0/1"}),
                member("m2", {female: 0, nick: "철수", status: "대기중", points: 999, stamp: "2024/1/1/0/0/2"}),
                member("m3", {female: 0, nick: "철수", status: "대기중", points: 5, stamp: "2024/1/1/0/0/1"})]));""")
        self.drawn()
        check(arrows()[1] == "descending" and ids() == ["m1", "m2", "m3"], "after the reset: %s %s" % (arrows(), ids()))
        # A man's rows: status first (대기중 before 대화중), then the stamp.
        header(1).click()
        check(ids() == ["m3", "m2", "m1"], "men's nicknames ascending: %s" % ids())
        header(6).click()
        check(ids() == ["m3", "m2", "m1"] and arrows()[6] == "ascending", "points ascending: %s" % ids())
        header(6).click()
        check(ids() == ["m1", "m2", "m3"], "points descending (1000 above 999): %s" % ids())
        # Rows after a sort are not placed: a new member on top, a replaced one in place.
        self.run("""list.apply(changes([["u", member("m4", {female: 0, points: 500000})],
                                        ["u", member("m3", {female: 0, nick: "영희", points: 6})]]));""")
        check(ids() == ["m4", "m1", "m2", "m3"], "after changes: %s" % ids())
        rows = self.run("return list.visibleRows().map(function (r) { return r[6]; });")
        check(rows == ["500,000", "1,000", "999", "6"], "points shown %s" % rows)

    def a_hundred_thousand_members_only_the_rows_in_view_exist(self):
        self.fresh()
        shown = self.wait("""
            list.apply(reset("F"));
            var done = shown(100000);
            for (var start = 0; start < 100000; start += 500) {
                var chunk = [];
                for (var i = start; i < start + 500; i++) {
                    chunk.push(member("m" + i, {nick: "회원" + i, age: 20 + i % 30, album: i % 50, status: "대기중"}));
                }
                list.apply(rows(chunk));
            }
            return done;""")
        check(shown == 100000, "rowsshown said %r" % shown)
        state = self.run("""return {count: list.rowCount, ids: list.memberIds().length,
            inDocument: list.shadowRoot.querySelectorAll('.row').length,
            fit: Math.ceil(parts().viewport.clientHeight / 27), first: list.visibleRows()[0][1]};""")
        check(state["count"] == 100000 and state["ids"] == 100000, "listed %s" % state)
        check(state["inDocument"] <= state["fit"] + 8 and state["first"] == "회원0", "in the document: %s" % state)
        self.run("parts().viewport.scrollTop = 50000 * 27;")
        self.drawn()
        view = self.run("""var v = parts().viewport, box = v.getBoundingClientRect();
            var top = list.shadowRoot.elementFromPoint(box.left + 100, box.top + 5);
            var next = list.shadowRoot.elementFromPoint(box.left + 100, box.top + 32);
            return {top: top.textContent, next: next.textContent,
                    stripes: [getComputedStyle(top.parentNode).backgroundColor,
                              getComputedStyle(next.parentNode).backgroundColor],
                    inDocument: list.shadowRoot.querySelectorAll('.row').length,
                    drawn: list.visibleRows().map(function (r) { return r[1]; })};""")
        check(view["top"] == "회원50000" and view["next"] == "회원50001", "at row 50,000 the view shows %s" % view)
        check(view["stripes"] == ["rgb(255, 255, 255)", "rgb(238, 234, 216)"], "stripes %s" % view["stripes"])
        check(view["inDocument"] <= state["fit"] + 14 and "회원50000" in view["drawn"], "drawn %s" % view["drawn"])
        # One batch of 3,000 changes at that size: removals, members on top, replacements.
        self.run("""var c = [];
            for (var i = 0; i < 1000; i++) c.push(["r", "m" + (2 * i)]);
            for (var i = 0; i < 1000; i++) c.push(["u", member("n" + i, {nick: "새" + i})]);
            for (var i = 0; i < 1000; i++) c.push(["u", member("m" + (2 * i + 1), {nick: "바뀜" + i})]);
            list.apply(changes(c));""")
        ids = self.run("var ids = list.memberIds(); return [ids.length, ids.slice(0, 2), ids.slice(1000, 1003)];")
        check(ids == [100000, ["n999", "n998"], ["m1", "m3", "m5"]], "after the batch: %s" % ids)

    def changes_replace_insert_and_remove_in_order(self):
        self.fresh()
        self.run("""list.apply(reset("F"));
            list.apply(rows([member("a", {nick: "A"}), member("b", {nick: "B"}), member("c", {nick: "C"}),
                             member("d", {nick: "D"})]));""")
        self.drawn()
        self.row_cell(1, 1).click()
        self.run("""list.apply(changes([
            ["u", member("b", {nick: "B2", status: "대화중"})], ["u", member("e", {nick: "E"})], ["r", "c"],
            ["r", "nobody"], ["u", member("f", {nick: "F"})], ["u", member("g", {nick: "G"})], ["r", "g"],
            ["r", "a"], ["u", member("a", {nick: "A2"})], ["x", "d"], ["u", ["short"]], "u"]));""")
        self.drawn()
        rows = self.run("return list.visibleRows().map(function (r) { return r[0] + r[1]; });")
        check(self.run("return list.memberIds();") == ["a", "f", "e", "b", "d"] and
              rows == ["1A2", "1F", "1E", "1B2", "1D"], "rows %s" % rows)
        selected = lambda: self.run("return Array.prototype.map.call(parts().layer.children,"
                                    " function (r) { return r.getAttribute('aria-selected'); });")
        check(selected() == ["false", "false", "false", "true", "false"], "the selection did not stay on b: %s" % selected())
        self.run('list.apply(changes([["r", "b"]]));')
        self.drawn()
        check("true" not in selected() and self.run("return list.rowCount;") == 4, "after removing b: %s" % selected())

    def menu_offers_what_the_member_allows_and_asks_notewell(self):
        self.fresh()
        self.run("""window.desktop = makeDesktop();
            list.viewer = arguments[0];
            list.attach(desktop);
            list.apply(reset("F"));
            list.apply(rows([member("p", {nick: "P", bits: 1 | 4 | 16}), member("q", {nick: "Q", bits: 2 | 4}),
                             member("r", {nick: "R", bits: 8})]));""", VIEWER)
        self.drawn()
        sent = lambda: self.run("return desktop.sent.slice(1);")
        check(self.run("return desktop.sent[0];") == {"op": "listSubscribe", "viewer": VIEWER},
              "attach sent %s" % self.run("return desktop.sent;"))
        self.actions().context_click(self.row_cell(0, 1)).perform()
        items = self.run("return menuItems();")
        check(items == [["쪽지보내기", True], ["1:1 채팅신청", True], ["프로필보기", True], ["친구관리", True],
                        ["친구등록", True], ["친구해제", False], ["차단", True], ["차단해제", False]], "p's menu %s" % items)
        self.actions().send_keys(Keys.ESCAPE).perform()
        check(self.run("return menuItems();") is None, "Escape left the menu open")
        self.actions().context_click(self.row_cell(2, 4)).perform()
        items = self.run("return menuItems();")
        check([e for _, e in items] == [True, False, True, True, False, False, False, True], "r's menu %s" % items)
        self.actions().move_to_element(self.run("return menuItem('친구관리');")).perform()
        self.run("return menuItem('친구등록');").click()
        check(self.run("return menuItems();") and not sent(), "a disabled item did something: %s" % sent())
        self.run("return menuItem('차단해제');").click()
        check(sent() == [{"op": "listAction", "action": "unblock", "member": "r"}], "unblock sent %s" % sent())
        check(self.run("return menuItems();") is None, "the menu stayed open")
        # The keyboard: Shift+F10 on the selected row, arrows into the sub-menu.
        self.row_cell(1, 1).click()
        self.actions().key_down(Keys.SHIFT).send_keys(Keys.F10).key_up(Keys.SHIFT).perform()
        check(self.run("return menuItems();") is not None, "Shift+F10 opened no menu")
        self.actions().send_keys(Keys.ARROW_DOWN, Keys.ENTER).perform()   # 1:1 채팅신청, disabled for q
        self.actions().send_keys(Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.ARROW_RIGHT, Keys.ARROW_DOWN,
                                 Keys.ENTER).perform()
        check(sent()[1:] == [{"op": "listAction", "action": "removeFriend", "member": "q"}], "keys sent %s" % sent())
        self.actions().double_click(self.row_cell(0, 3)).perform()
        check(sent()[-1] == {"op": "listAction", "action": "doubleClick", "member": "p"}, "double click sent %s" % sent())
        # The list of the viewer's own sex: the profile alone.
        self.run('list.apply(reset("F", false)); list.apply(rows([member("s", {bits: 31})]));')
        self.drawn()
        self.actions().context_click(self.row_cell(0, 1)).perform()
        check(self.run("return menuItems();") == [["프로필보기", True]], "same-sex menu %s" % self.run("return menuItems();"))
        self.actions().send_keys(Keys.ESCAPE).perform()

    def profile_opens_once_notewell_agrees(self):
        self.fresh()
        driver = self.browser.driver
        main = driver.current_window_handle
        self.run("""window.desktop = makeDesktop(); list.viewer = arguments[0]; list.attach(desktop);
            list.apply(reset("F")); list.apply(rows([member("p&q", {nick: "P"})]));""", VIEWER)
        self.drawn()
        del Site.posts[:]
        self.actions().context_click(self.row_cell(0, 1)).perform()
        self.run("return menuItem('프로필보기');").click()
        check(wait_until(lambda: Site.posts, 10), "no profile page was asked for")
        path, body = Site.posts[0]
        check(path == PROFILE_PATH + "?pid=p&q", "the profile page asked: %s" % path)
        check(body == "pvapp_id=viewer1&pvapp_pw=p%26w+1&pvpw=marlido", "the login form posted %r" % body)
        check(len(driver.window_handles) == 2, "windows: %d" % len(driver.window_handles))
        for handle in driver.window_handles:
            if handle != main:
                driver.switch_to.window(handle)
                driver.close()
        driver.switch_to.window(main)
        # Refused (the list's server dropped): no page, the opened window goes, the page hears why.
        self.run("""desktop.answers["listAction:profile"] = {ok: false, error: "not-connected"};""")
        self.actions().context_click(self.row_cell(0, 1)).perform()
        self.run("return menuItem('프로필보기');").click()
        check(wait_until(lambda: self.run("return seen.listerror.length;"), 5), "no listerror event")
        check(self.run("return seen.listerror[0].error;") == "not-connected", "listerror %s" % self.run("return seen.listerror;"))
        check(wait_until(lambda: len(driver.window_handles) == 1, 5), "the refused profile's window stays")
        time.sleep(0.5)
        check(not Site.posts[1:], "a refused profile was posted: %s" % Site.posts)

    def the_real_desktop_script_over_a_bridge(self):
        if not port_free(BRIDGE_PORT):
            print("      port %d is taken here (a Notewell runs?): run as root for a namespace of its own" % BRIDGE_PORT)
            return "skipped"
        members = [["m%d" % i, 0, 31, "2024/1/1/0/0/%d" % i, "0:대기중", "1:회원%d" % i, "2:Y", "3:1", "4:30",
                    "5:서울", "6:%d" % (i * 1000), "", "7:5", "8:오늘 같이 이야기해요"] for i in range(300)]
        bridge = FakeBridge(BRIDGE_PORT, members)
        try:
            self.fresh()
            self.run("list.viewer = arguments[0]; list.attach(CorvalaDesktop);", VIEWER)
            check(wait_until(lambda: self.run("return list.rowCount;") == 300, 15),
                  "the list has %s rows; the bridge got %s" % (self.run("return list.rowCount;"), bridge.requests))
            check(bridge.requests[0] == {"op": "listSubscribe", "viewer": VIEWER, "id": 1}, "%s" % bridge.requests[0])
            check(self.run("return list.visibleRows()[1];") ==
                  ["0", "회원1", "2", "1", "30", "서울", "1,000", "하이힐", "오늘 같이 이야기해요"], "row 1 from the bridge")
            self.wait("return list.setMode('men');")
            self.wait("return list.setMode('buddies');")
            self.actions().context_click(self.row_cell(0, 1)).perform()
            self.run("return menuItem('쪽지보내기');").click()
            check(wait_until(lambda: len(bridge.requests) >= 4, 5), "requests %s" % bridge.requests)
            check([{k: v for k, v in r.items() if k != "id"} for r in bridge.requests[1:4]] ==
                  [{"op": "listMode", "label": "woman"}, {"op": "listMode", "buddy": "B"},
                   {"op": "listAction", "action": "note", "member": "m0"}], "requests %s" % bridge.requests[1:])
            # A long message that is not the list is dropped.
            bridge.send({"type": "state", "state": "x" * 5000})
            time.sleep(0.3)
            check(self.run("return CorvalaDesktop.state;") == "loggedIn", "a long state was taken")
            # Notewell goes and comes back: the element subscribes again.
            bridge.drop()
            check(wait_until(lambda: self.run("return CorvalaDesktop.state;") == "notRunning", 5), "the loss went unseen")
            self.run("CorvalaDesktop.find();")
            check(wait_until(lambda: bridge.connections == 2 and len(bridge.requests) >= 5, 10),
                  "after reconnecting the bridge got %s" % bridge.requests[4:])
            check(bridge.requests[4]["op"] == "listSubscribe" and bridge.requests[4]["viewer"] == VIEWER,
                  "resubscribed with %s" % bridge.requests[4])
        finally:
            bridge.close()

    def main(self):
        self.browser = Browser([], window_size=(1000, 700))
        try:
            for name, case in (
                    ("cells: grouping, taste names, icons, colon cut, texts as stored; bad records dropped",
                     self.cells_are_derived_as_the_control_derives_them),
                    ("sort: three clicks, numbers, stamp and status tie-breaks, the arrow through a reset",
                     self.sorting_follows_the_controls_rules),
                    ("100,000 members: only the rows in view exist, scrolling shows the right rows",
                     self.a_hundred_thousand_members_only_the_rows_in_view_exist),
                    ("changes: in place, on top, removed, in order within a batch",
                     self.changes_replace_insert_and_remove_in_order),
                    ("menu: items by the member's bits, keyboard, same-sex menu, actions to Notewell",
                     self.menu_offers_what_the_member_allows_and_asks_notewell),
                    ("profile: posts the viewer's login once Notewell agrees, nothing when refused",
                     self.profile_opens_once_notewell_agrees),
                    ("corvala-desktop.js over a bridge: subscribe, long list messages, requests, resubscribe",
                     self.the_real_desktop_script_over_a_bridge)):
                self.case(name, case)
            errors = [e["message"] for e in self.browser.driver.get_log("browser")
                      if e.get("level") == "SEVERE" and "favicon" not in e["message"]
                      and "WebSocket connection to" not in e["message"]]
            self.case("no script errors", lambda: check(not errors, "script errors: %s" % errors))
        finally:
            self.browser.close()
            self.site.shutdown()
        failed = [name for name, error in self.results if error]
        print("member list tests: %d passed, %d failed" % (len(self.results) - len(failed), len(failed)))
        return 1 if failed else 0


def in_own_namespace():
    """Runs this file again in a network namespace of its own (loopback up)
    where that can be had; False where it cannot."""
    if os.environ.get("CORVALA_BROWSER_NAMESPACE") or os.geteuid() != 0 or not shutil.which("unshare"):
        return False
    if subprocess.run(["unshare", "-n", "true"], capture_output=True).returncode != 0:
        return False
    script = 'ip link set lo up && exec env CORVALA_BROWSER_NAMESPACE=1 /usr/bin/python3 "$@"'
    os.execvp("unshare", ["unshare", "-n", "sh", "-c", script, "sh", os.path.abspath(__file__)] + sys.argv[1:])
    return True


if __name__ == "__main__":
    in_own_namespace()
    sys.exit(Run().main())
