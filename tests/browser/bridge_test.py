#!/usr/bin/python3
"""The service's page drives the real Notewell from headless Chromium.

Run by run-browser-tests.sh, inside a network namespace of its own, with a web
server on port 80 serving web/, docs/ and this folder, the dev server on 5210
and wine ready. The cases build on each other in order, as a member's visit
does: the page finds no Notewell, starts one through its link, logs in, sends
a note target and a chat request, foreign pages get nothing, the close
question is answered Cancel, and the page closes Notewell.
"""
import json
import os
import re
import sys
import time
import traceback

from selenium.webdriver.common.by import By

from browser_support import (Browser, ServerLog, answer_escape, run_start_link, start_link, visible_windows,
                             wait_until, window_titles)

WEB_HOST = os.environ["CORVALA_WEB_HOST"]
DEVSERVER_LOG = os.environ["CORVALA_DEVSERVER_LOG"]
NOTEWELL = os.environ["CORVALA_NOTEWELL"]
MEMBER = {"id": "webmember", "password": "pw-1234", "sex": "M", "sessionId": "web-session-7", "server": "127.0.0.1"}
NOTE_TARGET = {"id": "mina", "nickname": "미나", "sex": "F", "age": 25}
CHAT_TARGET = {"id": "mina", "nickname": "미나", "sex": "F", "age": 25, "occupation": "학생", "region": "서울",
               "taste": 5, "popularity": "12", "topic": "안녕하세요", "points": 3}
PAGE = "http://%s/test/bridge-page.html" % WEB_HOST
# With nothing answering, Chrome answers the local access permission of an
# http page "denied" (it grants it to secure pages only), so the script says
# "blocked"; the member is offered the start button either way.
NOTHING_ANSWERS = ("notRunning", "blocked")


LOG = ServerLog(DEVSERVER_LOG)
server_log, received, received_since = LOG.text, LOG.received, LOG.received_since


class PageBrowser(Browser):
    """Chromium on the test page, with the foreign hosts the refusals need."""

    def __init__(self):
        super().__init__([WEB_HOST, "evil.example", "rebind.example"])

    def states(self):
        return self.run("return seenStates.slice();")


class Run:
    def __init__(self):
        self.results = []
        self.notewell = None
        self.browser = None
        self.figures = []

    def case(self, name, function):
        try:
            function()
            self.results.append((name, None))
            print("PASS  " + name, flush=True)
        except Exception as error:  # a failed case names what it saw; the next ones still run
            detail = str(error) or traceback.format_exc(limit=2)
            self.results.append((name, detail))
            print("FAIL  %s: %s" % (name, detail), flush=True)

    # ---- the cases ----

    def sample_page_offers_the_start_button(self):
        self.browser.open("http://%s/docs/sample-page.html" % WEB_HOST)
        check(wait_until(lambda: self.browser.state() in NOTHING_ANSWERS, 20),
              "the sample page's state is %r" % self.browser.state())
        check(self.browser.run("return CorvalaDesktop.path;") == "bridge", "the sample page did not take the bridge")
        button = self.browser.driver.find_element(By.ID, "desktop-start")
        check(button.is_displayed(), "the start button is hidden while no Notewell runs")
        check(self.browser.driver.find_element(By.ID, "desktop-state").text, "the page tells the member nothing")
        errors = self.browser.script_errors()
        check(not errors, "script errors: %s" % errors)

    def start_link_starts_notewell_and_the_page_logs_in(self):
        b = self.browser
        b.open(PAGE)
        result = json.loads(b.call("return CorvalaDesktop.login(arguments[0]);", MEMBER))
        check(result == {"ok": False, "error": "not-running"}, "login without Notewell answered %r" % result)
        check(b.state() in NOTHING_ANSWERS, "state %r" % b.state())
        b.driver.find_element(By.ID, "start").click()
        check(b.state() == "starting", "after the click the state is %r" % b.state())
        link = start_link(b)
        check(re.fullmatch(r"notewell:start\?t=[A-Za-z0-9_-]{16,32}", link or ""), "the start link is %r" % link)
        check(MEMBER["password"] not in link and MEMBER["id"] not in link, "the link carries the identity")
        self.notewell = run_start_link(NOTEWELL, link)
        check(wait_until(lambda: b.state() == "loggedIn", 60), "the page's states: %s" % b.states())
        logins = received(r'LOGIN kind 1 id="webmember"')
        check(len(logins) == 1, "the dev server saw %d logins of webmember" % len(logins))
        check(MEMBER["password"] not in server_log(), "the password reached the log")
        check(b.states()[-1] == "loggedIn" and "starting" in b.states(), "states %s" % b.states())

    def note_target_opens_the_note_window(self):
        result = json.loads(self.browser.call("return CorvalaDesktop.sendNote(arguments[0]);", NOTE_TARGET))
        check(result == {"ok": True}, "sendNote answered %r" % result)
        windows = wait_until(lambda: visible_windows("쪽지보내기"), 10)
        check(windows, "no note window opened; on the screen: %s" % window_titles())
        check(all(pid in (None, self.notewell.pid) for _, pid in windows),
              "the note window belongs to another process: %s" % windows)

    def chat_request_reaches_the_server(self):
        mark = len(server_log())
        result = json.loads(self.browser.call("return CorvalaDesktop.askChat(arguments[0]);", CHAT_TARGET))
        check(result == {"ok": True}, "askChat answered %r" % result)
        check(wait_until(lambda: any(" in  CHAT_REQUEST" in l for l in received_since(mark)), 10),
              "after the chat request the server got: %s" % received_since(mark))
        got = received_since(mark)
        check(" in  CHAT_CHECK" in got[0], "the chat check (2011) did not come first: %s" % got)
        check(any('mina' in l for l in got if " in  CHAT_REQUEST" in l), "the request is not for mina: %s" % got)

    def foreign_pages_get_nothing(self):
        b = self.browser
        mark = len(server_log())
        probe = ("var url = arguments[0];"
                 "return new Promise(function (done) {"
                 "  var s = new WebSocket(url), opened = false;"
                 "  s.onopen = function () { opened = true;"
                 "    s.send(JSON.stringify({id: 1, op: 'noteToAll'})); s.send(JSON.stringify({id: 2, op: 'chatToAll'}));"
                 "    setTimeout(function () { s.close(); }, 500); };"
                 "  s.onclose = function () { done({opened: opened}); };"
                 "  setTimeout(function () { done({opened: opened, timeout: true}); }, 10000);"
                 "});")
        # The service's own page does get in on the same port: the refusals below are Notewell's.
        port = b.run("return CorvalaDesktop.port;")
        check(port in (5290, 5291, 5292, 5293), "the page is on port %r" % port)
        b.open("http://evil.example/test/bridge-page.html")
        evil = json.loads(b.call(probe, "ws://127.0.0.1:%d/" % port))
        check(evil == {"opened": False}, "a page of evil.example: %s" % evil)
        found = json.loads(b.call("CorvalaDesktop.find(); return new Promise(function (d) {"
                                  " setTimeout(function () { d(CorvalaDesktop.state); }, 4000); });"))
        check(found in NOTHING_ANSWERS, "the script on evil.example says %r" % found)
        b.open(PAGE)
        rebound = json.loads(b.call(probe, "ws://rebind.example:%d/" % port))
        check(rebound == {"opened": False}, "a rebinding Host: %s" % rebound)
        time.sleep(1)
        check(not received_since(mark), "the server got: %s" % received_since(mark))
        check(not visible_windows("쪽지 보내기"), "a note to everyone opened")

    def round_trip(self):
        b = self.browser
        b.open(PAGE)
        b.run("CorvalaDesktop.find();")
        check(wait_until(lambda: b.state() == "loggedIn", 20), "the page's states: %s" % b.states())
        # The note window is open: each request only raises it, through the main window.
        times = json.loads(b.call(
            "var target = arguments[0], times = [];"
            "function once(n) {"
            "  if (!n) return Promise.resolve(times);"
            "  var t0 = performance.now();"
            "  return CorvalaDesktop.sendNote(target).then(function (r) {"
            "    if (!r.ok) throw new Error(r.error);"
            "    times.push(performance.now() - t0);"
            "    return new Promise(function (d) { setTimeout(d, 150); }).then(function () { return once(n - 1); });"
            "  });"
            "}"
            "return once(20);", NOTE_TARGET))
        check(isinstance(times, list) and len(times) == 20, "the requests answered %r" % times)
        times.sort()
        self.figures.append("bridge round trip (sendNote, page request to Notewell's reply, %d requests): "
                            "median %.1f ms, fastest %.1f ms, slowest %.1f ms"
                            % (len(times), times[len(times) // 2], times[0], times[-1]))

    def asked_to_close_the_member_cancels(self):
        b = self.browser
        # The chat request's refusal (mina is not logged in) left a notice;
        # Notewell shows its boxes one at a time, so the member closes it first.
        for window, _ in visible_windows("서버 메시지"):
            answer_escape(window)
        check(wait_until(lambda: not visible_windows("서버 메시지"), 10), "the notice stays")
        mark = len(server_log())
        b.run("window.askResult = null; CorvalaDesktop.logout(true).then(function (r) { window.askResult = r; });")
        boxes = wait_until(lambda: visible_windows("쪽지받기 종료"), 10)
        check(boxes, "no close question appeared; on the screen: %s" % window_titles())
        answer_escape(boxes[0][0])
        check(wait_until(lambda: not visible_windows("쪽지받기 종료"), 10), "the close question stays")
        check(wait_until(lambda: b.run("return window.askResult;"), 10), "the ask-to-close request got no answer")
        time.sleep(1)
        check(self.notewell.poll() is None, "Notewell ended after Cancel")
        check(b.state() == "loggedIn", "after Cancel the state is %r" % b.state())
        check(not received(r"LOGOUT") and not received_since(mark), "the server got: %s" % received_since(mark))

    def closing_logs_out_and_ends_notewell(self):
        b = self.browser
        result = json.loads(b.call("return CorvalaDesktop.logout(false);"))
        check(result.get("ok") is True or result.get("error") == "closed", "close answered %r" % result)
        check(wait_until(lambda: received(r'LOGOUT'), 10), "the server saw no logout")
        check(wait_until(lambda: self.notewell.poll() is not None, 15), "Notewell still runs")
        check(len(received(r"LOGOUT")) == 1, "logouts: %s" % received(r"LOGOUT"))
        check(wait_until(lambda: b.state() in ("ended",) + NOTHING_ANSWERS, 10), "states %s" % b.states())

    def main(self):
        self.browser = PageBrowser()
        try:
            self.case("sample page: no Notewell, the start button shows", self.sample_page_offers_the_start_button)
            self.case("start link starts Notewell, the page logs in, the server sees it",
                      self.start_link_starts_notewell_and_the_page_logs_in)
            running = lambda: self.notewell is not None and self.notewell.poll() is None
            for name, case in (("note target opens Notewell's note window", self.note_target_opens_the_note_window),
                               ("chat request reaches the server as 2011 then 2003",
                                self.chat_request_reaches_the_server),
                               ("evil.example and a rebinding Host get nothing", self.foreign_pages_get_nothing),
                               ("round trip measured", self.round_trip),
                               ("ask to close, member cancels: Notewell stays",
                                self.asked_to_close_the_member_cancels),
                               ("close: logout reaches the server, Notewell ends",
                                self.closing_logs_out_and_ends_notewell)):
                self.case(name, case if running() else not_running)
        finally:
            self.browser.close()
            if self.notewell and self.notewell.poll() is None:
                self.notewell.kill()
                self.notewell.wait()
        for figure in self.figures:
            print(figure)
        failed = [name for name, error in self.results if error]
        print("browser tests: %d passed, %d failed" % (len(self.results) - len(failed), len(failed)))
        return 1 if failed else 0


def not_running():
    raise AssertionError("Notewell is not running (an earlier case failed)")


def check(condition, message):
    if not condition:
        raise AssertionError(message)


if __name__ == "__main__":
    sys.exit(Run().main())
