#!/usr/bin/python3
"""The member list in headless Chromium against the real Notewell and the dev
server's list port: the sample page, as the service's server writes it for
the member, starts Notewell through its link, logs in and subscribes its
<corvala-member-list> element; the dev server's population (driven through
its standard input) grows, changes and shrinks; the member switches to the
men's list and back, and chooses a note, a 1:1 chat and a block from a row's
menu, which reach Notewell's note window, the tray server and the list server.

Run by run-browser-tests.sh after bridge_test.py, in the same network
namespace, web site and dev server (tray port 5210, list port 5200). The
cases build on each other in order, as a member's visit does.
"""
import json
import os
import re
import subprocess
import sys
import traceback

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from browser_support import (LIST_PAGE_HELPERS, Browser, ServerInput, ServerLog, answer_escape, choose_menu_item,
                             open_row_menu, run_start_link, start_link, visible_windows, wait_until, window_titles)

WEB_HOST = os.environ["CORVALA_WEB_HOST"]
NOTEWELL = os.environ["CORVALA_NOTEWELL"]
LOG = ServerLog(os.environ["CORVALA_DEVSERVER_LOG"])
SERVER = ServerInput(os.environ["CORVALA_DEVSERVER_INPUT"])
OUT = os.environ.get("CORVALA_BROWSER_OUT", "")
# The sample page with the member "webmember" (a man: his list starts with the women).
PAGE = "http://%s/member/sample-page.html" % WEB_HOST

WOMEN, MEN = 300, 40
POPULATION = [
    "list fill %d sex=F prefix=w chatting=10" % WOMEN,
    "list fill %d sex=M prefix=m" % MEN,
    'list add mina waiting album=12 nick=미나 sex=F age=25 region=서울 topic="같이 이야기해요" taste=5 pop=98 webcam=Y',
]
MINA_CELLS = ["waiting.ico", "미나", "webcam.ico", "98", "25", "서울", "12", "하이힐", "같이 이야기해요"]
FULL_MENU = ["쪽지보내기", "1:1 채팅신청", "프로필보기", "친구관리", "친구등록", "친구해제", "차단", "차단해제"]

def check(condition, message):
    if not condition:
        raise AssertionError(message)


class Run:
    def __init__(self):
        self.results = []
        self.notewell = None
        self.browser = None
        self.logins = 0

    def case(self, name, function):
        try:
            function()
            self.results.append((name, None))
            print("PASS  " + name, flush=True)
        except Exception as error:  # a failed case names what it saw; the next ones still run
            detail = str(error) or traceback.format_exc(limit=2)
            self.results.append((name, detail))
            print("FAIL  %s: %s" % (name, detail), flush=True)
            if OUT:
                shot = os.path.join(OUT, "member-list-e2e-failed-%d.png" % len(self.results))
                try:
                    self.browser.driver.save_screenshot(shot)
                    print("      the page then: %s" % shot, flush=True)
                except Exception:  # the browser itself failed: nothing to show
                    pass

    # ---- the page ----

    def run(self, script, *args):
        return self.browser.run(script, *args)

    def wait(self, script, *args):
        return json.loads(self.browser.call(script, *args))

    def rows(self):
        return self.run("return listView.list.rowCount;")

    def ids(self):
        return self.run("return listView.list.memberIds();")

    def cells(self, member):
        return self.wait("return listView.cells(arguments[0]);", member)

    def menu_of(self, member):
        """Right-clicks the member's row; the menu's items and whether each is enabled."""
        menu = open_row_menu(self.browser, member)
        check(menu, "no menu opened on %s" % member)
        return menu

    def choose(self, text, under=None):
        check(choose_menu_item(self.browser, text, under), "%s: no such item, or the menu stayed open" % text)

    def close_menu(self):
        ActionChains(self.browser.driver).send_keys(Keys.ESCAPE).perform()
        check(wait_until(lambda: self.run("return listView.menu();") is None, 5), "Escape left the menu open")

    def dismiss(self, caption, seconds=10):
        boxes = wait_until(lambda: visible_windows(caption), seconds)
        check(boxes, "no %r box; on the screen: %s" % (caption, window_titles()))
        answer_escape(boxes[0][0])
        check(wait_until(lambda: not visible_windows(caption), 10), "the %r box stays" % caption)
        return boxes[0][0]

    # ---- the cases ----

    def the_page_logs_in_and_the_list_arrives(self):
        SERVER.say(*POPULATION)
        self.logins = len(LOG.received(r'LOGIN kind 1 id="webmember"'))
        b = self.browser
        b.open(PAGE)
        b.run(LIST_PAGE_HELPERS)
        button = b.driver.find_element(By.ID, "desktop-start")
        check(wait_until(button.is_displayed, 20), "no start button (state %r)" % b.state())
        check(self.run("return listView.header();")[6] == "앨범", "before the list: %s" % self.run("return listView.header();"))
        button.click()
        link = wait_until(lambda: start_link(b), 5)
        check(link, "the page opened no notewell: link")
        self.notewell = run_start_link(NOTEWELL, link)
        check(wait_until(lambda: b.state() == "loggedIn", 60), "the page's state is %r" % b.state())
        check(wait_until(lambda: len(LOG.received(r'LOGIN kind 1 id="webmember"')) == self.logins + 1, 10),
              "the server saw no login of webmember")
        check(wait_until(lambda: self.rows() == WOMEN + 1, 30),
              "the list has %s rows; the server got %s" % (self.rows(), LOG.received("LIST_")))
        check(len(LOG.received(r'LIST_LOGIN kind 1 id="webmember"')) == 1 and
              len(LOG.received(r"LIST_MEMBERS kind 1 list='F'")) == 1,
              "one list login and one request for the women: %s" % LOG.received("LIST_"))
        check(self.cells("mina") == MINA_CELLS, "mina's row shows %s" % self.cells("mina"))
        check(self.cells("w10")[0] == "chatting.ico" and self.cells("w11")[0] == "waiting.ico",
              "status icons of w10, w11: %s %s" % (self.cells("w10")[0], self.cells("w11")[0]))
        check(not [m for m in self.ids() if not re.fullmatch(r"w\d+|mina", m)], "not only women: %s" % self.ids())

    def the_next_page_finds_notewell_and_gets_the_list(self):
        # The first tab keeps Chromium's unanswered question about the link:
        # the member goes on in the site's next page, in a tab of its own.
        self.browser.leave_link_tab()
        self.browser.open(PAGE)
        self.browser.run(LIST_PAGE_HELPERS)
        check(wait_until(lambda: self.browser.state() == "loggedIn", 20), "the state is %r" % self.browser.state())
        check(wait_until(lambda: self.rows() == WOMEN + 1, 30), "the next page's list has %s rows" % self.rows())
        check(self.cells("mina") == MINA_CELLS, "mina's row shows %s" % self.cells("mina"))
        check(len(LOG.received(r'LOGIN kind 1 id="webmember"')) == self.logins + 1, "the next page made Notewell log in again")

    def the_list_grows(self):
        SERVER.say("list fill 20 sex=F prefix=late")
        check(wait_until(lambda: self.rows() == WOMEN + 21, 10), "after 20 more the list has %s rows" % self.rows())
        SERVER.say("list add newbie waiting nick=새회원 sex=F age=22 region=부산")
        check(wait_until(lambda: self.ids()[0] == "newbie", 10), "no new member on top: %s" % self.ids()[:3])
        check(self.rows() == WOMEN + 22, "%s rows" % self.rows())
        cells = self.cells("newbie")
        check(cells[1] == "새회원" and cells[4] == "22" and cells[5] == "부산", "the new row shows %s" % cells)

    def a_member_chats_and_leaves(self):
        check(self.cells("w3")[0] == "waiting.ico", "w3 starts as %s" % self.cells("w3"))
        SERVER.say("list chatting w3")
        check(wait_until(lambda: self.cells("w3")[0] == "chatting.ico", 10), "w3 shows %s" % self.cells("w3"))
        menu = self.menu_of("w3")
        check(dict(menu).get("1:1 채팅신청") is False and dict(menu).get("쪽지보내기") is True,
              "a chatting member's menu: %s" % menu)
        self.close_menu()
        SERVER.say("list remove w3")
        check(wait_until(lambda: "w3" not in self.ids(), 10), "w3 is still listed")
        check(self.rows() == WOMEN + 21, "%s rows after the removal" % self.rows())

    def the_mens_list_and_back(self):
        b = self.browser
        b.driver.find_element(By.XPATH, "//button[text()='남성 회원']").click()
        check(wait_until(lambda: self.rows() == MEN and self.run("return listView.header();")[6] == "포인트", 15),
              "the men's list: %s rows, header %s" % (self.rows(), self.run("return listView.header();")))
        check(all(re.fullmatch(r"m\d+", m) for m in self.ids()), "not only men: %s" % self.ids())
        check(LOG.received(r"LIST_MEMBERS kind 1 list='M'"), "no request for the men: %s" % LOG.received("LIST_"))
        check(self.menu_of("m1") == [["프로필보기", True]], "a man's menu for a man: %s" % self.run("return listView.menu();"))
        self.close_menu()
        b.driver.find_element(By.XPATH, "//button[text()='여성 회원']").click()
        check(wait_until(lambda: self.rows() == WOMEN + 21 and self.run("return listView.header();")[6] == "앨범", 15),
              "back to the women: %s rows" % self.rows())
        menu = self.menu_of("mina")
        check([t for t, _ in menu] == FULL_MENU and all(e for t, e in menu if t not in ("친구해제", "차단해제")),
              "mina's menu: %s" % menu)
        self.close_menu()

    def note_and_chat_from_the_menu_reach_notewell(self):
        self.menu_of("mina")
        self.choose("쪽지보내기")
        windows = wait_until(lambda: visible_windows("쪽지보내기"), 10)
        check(windows, "no note window opened; on the screen: %s" % window_titles())
        check(all(pid in (None, self.notewell.pid) for _, pid in windows), "the window is another's: %s" % windows)
        mark = len(LOG.text())
        self.menu_of("mina")
        self.choose("1:1 채팅신청")
        check(wait_until(lambda: any(" in  CHAT_REQUEST" in l for l in LOG.received_since(mark)), 10),
              "after the chat request the server got: %s" % LOG.received_since(mark))
        got = [l for l in LOG.received_since(mark) if "LIST_TIME" not in l]
        check(re.search(r'CHAT_CHECK kind 1 .*"mina"', got[0]) and re.search(r'CHAT_REQUEST kind 1 .*"mina"', got[1]),
              "not 2011 then 2003 for mina: %s" % got)
        # mina is not logged in on the tray port: the server refuses, and Notewell says so.
        self.dismiss("서버 메시지")

    def block_from_the_menu_reaches_the_list_server(self):
        self.menu_of("mina")
        self.choose("차단", under="친구관리")
        check(wait_until(lambda: LOG.received(r"LIST_RELATION kind 1 action='B' id=\"mina\""), 10),
              "no block reached the list server: %s" % LOG.received("LIST_RELATION"))
        box = wait_until(lambda: visible_windows("회원 차단"), 10)
        check(box, "no answer box; on the screen: %s" % window_titles())
        if OUT:
            subprocess.run(["import", "-window", box[0][0], os.path.join(OUT, "member-blocked-box.png")],
                           capture_output=True, timeout=20)
        self.dismiss("회원 차단")
        # The answer reached the row: only 차단해제 among the friend items.
        def friend_items():
            menu = self.menu_of("mina")
            self.close_menu()
            return [e for t, e in menu if t in FULL_MENU[4:]]
        check(wait_until(lambda: friend_items() == [False, False, False, True], 10, step=0.5),
              "friend items after the block: %s" % friend_items())

    def closing_notewell_ends_the_list_connection(self):
        b = self.browser
        result = json.loads(b.call("return CorvalaDesktop.logout(false);"))
        check(result.get("ok") is True or result.get("error") == "closed", "close answered %r" % result)
        check(wait_until(lambda: self.notewell.poll() is not None, 15), "Notewell still runs")
        check(wait_until(lambda: re.search(r"list#\d+\s+webmember\s+-- connection ended", LOG.text()), 10),
              "the list's connection did not end")
        errors = self.run("return listView.errors;")
        check(not errors, "the element heard refusals: %s" % errors)

    def main(self):
        self.browser = Browser([WEB_HOST], window_size=(1000, 760))
        try:
            self.case("sample page: Notewell starts from its link, the page logs in, the women's list arrives",
                      self.the_page_logs_in_and_the_list_arrives)
            running = lambda: self.notewell is not None and self.notewell.poll() is None
            for name, case in (("the site's next page finds Notewell running and gets the whole list",
                                self.the_next_page_finds_notewell_and_gets_the_list),
                               ("the list grows: 20 more members, then a new one on top", self.the_list_grows),
                               ("a member starts chatting (icon, chat item disabled), then leaves",
                                self.a_member_chats_and_leaves),
                               ("the men's list: 포인트 column set, same-sex menu; and back",
                                self.the_mens_list_and_back),
                               ("note and 1:1 chat from the menu: Notewell's note window, 2011 then 2003",
                                self.note_and_chat_from_the_menu_reach_notewell),
                               ("block from the menu: LIST_RELATION 'B', Notewell's answer box, the row's flags",
                                self.block_from_the_menu_reaches_the_list_server),
                               ("closing Notewell ends the list's connection",
                                self.closing_notewell_ends_the_list_connection)):
                self.case(name, case if running() else not_running)
        finally:
            self.browser.close()
            SERVER.close()
            if self.notewell and self.notewell.poll() is None:
                self.notewell.kill()
                self.notewell.wait()
        failed = [name for name, error in self.results if error]
        print("member list end-to-end tests: %d passed, %d failed" % (len(self.results) - len(failed), len(failed)))
        return 1 if failed else 0


def not_running():
    raise AssertionError("Notewell is not running (an earlier case failed)")


if __name__ == "__main__":
    sys.exit(Run().main())
