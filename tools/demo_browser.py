#!/usr/bin/python3
"""The demo's browser path: the service's sample page in Chromium starts
Notewell through its notewell: link, logs in over the bridge and shows the
dev server's member list through its <corvala-member-list> element; from
미나's row the member asks for a 1:1 chat and opens a note window, as a
member's clicks would.

Run by tools/demo.sh (CORVALA_DEMO_BROWSER=chromium) inside a network
namespace of its own, with the service's web site on port 80, the dev server
playing the demo scenario, and wine ready on DISPLAY. Headless, it saves the
page as Chromium shows it and the wine display with Notewell's popups; with
CORVALA_DEMO_VISIBLE set, Chromium runs on the display until Enter. Headless,
it also saves the list as Chromium shows it, and with 미나's menu open.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "browser"))
from browser_support import (LIST_PAGE_HELPERS, Browser, ServerLog, choose_menu_item, open_row_menu,  # noqa: E402
                             point_at_menu_item, run_start_link, start_link, visible_windows, wait_until)

WEB_HOST = os.environ["CORVALA_WEB_HOST"]
NOTEWELL = os.environ["CORVALA_NOTEWELL"]
LOG = ServerLog(os.environ["CORVALA_DEVSERVER_LOG"])
OUT = os.environ["CORVALA_DEMO_OUT"]
VISIBLE = bool(os.environ.get("CORVALA_DEMO_VISIBLE"))
# The women devserver/scenarios/demo.txt lists: eight by name and 28 guests.
LISTED = 36
# What the list's screenshots keep of the page: the list, the state line, the buttons.
LIST_SHOT = (600, 500)


FAILED = []


def step(ok, done, failed):
    print(("  " + done) if ok else ("  FAILED: " + failed), flush=True)
    if not ok:
        FAILED.append(failed)
    return bool(ok)


def rows(browser):
    """How many members the page's list element holds."""
    return browser.run("var l = document.getElementById('member-list');"
                       " return l && l.rowCount !== undefined ? l.rowCount : 0;")


def save_page(browser, name):
    """The page's part with the list, its state line and its buttons."""
    path = os.path.join(OUT, name)
    browser.driver.save_screenshot(path)
    subprocess.run(["convert", path, "-crop", "%dx%d+0+0" % LIST_SHOT, "+repage", path], check=True)
    return path


def play(browser):
    browser.open("http://%s/docs/sample-page.html" % WEB_HOST)
    button = browser.driver.find_element("id", "desktop-start")
    if not step(wait_until(button.is_displayed, 20), "The page finds no Notewell and shows its start button.",
                "the start button did not show (state %r)" % browser.state()):
        return None
    button.click()
    link = wait_until(lambda: start_link(browser), 5)
    if not step(link, "The member clicks it; the page opens %s." % link, "the page opened no notewell: link"):
        return None
    notewell = run_start_link(NOTEWELL, link)
    if not step(wait_until(lambda: browser.state() == "loggedIn", 60),
                "Notewell.exe --url started; the page handed it the identity and it logged in.",
                "the page did not log in (state %r)" % browser.state()):
        return notewell
    step(wait_until(lambda: rows(browser) >= LISTED, 30),
         "The page's member list shows the dev server's %d women, from Notewell's list connection." % LISTED,
         "the page's member list has %d rows" % rows(browser))
    # The site's next page, in a tab of its own: the first keeps Chromium's
    # question about the link (headless nobody answers it) and takes no clicks.
    browser.leave_link_tab()
    browser.open("http://%s/docs/sample-page.html" % WEB_HOST)
    browser.run(LIST_PAGE_HELPERS)
    step(wait_until(lambda: browser.state() == "loggedIn" and rows(browser) >= LISTED, 30),
         "The member's next page finds Notewell running and shows the list again.",
         "the next page's list has %d rows (state %r)" % (rows(browser), browser.state()))
    # The scenario's note and requests come 2, 4 and 6 s after the login; the
    # member's own request and note then open on top of theirs, the note last.
    wait_until(lambda: len([l for l in LOG.text().splitlines()
                            if " out NOTE kind 4" in l or " out CHAT_REQUEST kind 4" in l]) >= 3, 10)
    time.sleep(0.5)
    if not VISIBLE:
        print("  Screenshot: %s (the member list in Chromium)" % save_page(browser, "member-list-chromium.png"))
    # 미나's menu, as the member right-clicks her row: the request from there.
    menu = open_row_menu(browser, "mina")
    step(menu and dict(menu).get("1:1 채팅신청"), "The member right-clicks 미나's row: the list's menu opens.",
         "no menu with 1:1 채팅신청 on 미나's row: %s" % menu)
    if menu:
        point_at_menu_item(browser, "1:1 채팅신청")
        time.sleep(0.3)
        if not VISIBLE:
            print("  Screenshot: %s (its menu)" % save_page(browser, "member-list-chromium-menu.png"))
        choose_menu_item(browser, "1:1 채팅신청")
    step(wait_until(lambda: LOG.received("CHAT_REQUEST kind 1"), 10),
         "The 1:1 chat request to 미나 chosen in the list went to the server; it waits for her answer.",
         "the chat request did not reach the server")
    time.sleep(0.5)
    if open_row_menu(browser, "mina"):
        choose_menu_item(browser, "쪽지보내기")
    step(wait_until(lambda: visible_windows("쪽지보내기"), 10),
         "The note to 미나 chosen in the list opened Notewell's note window.", "no note window opened")
    time.sleep(1)
    return notewell


def main():
    browser = Browser([WEB_HOST], headless=not VISIBLE, window_size=(1000, 760))
    notewell = None
    try:
        notewell = play(browser)
        if VISIBLE:
            input("Chromium and Notewell are on %s. Press Enter to end the demo. " % os.environ["DISPLAY"])
        else:
            page = os.path.join(OUT, "browser-page.png")
            display = os.path.join(OUT, "notewell-from-browser.png")
            browser.driver.save_screenshot(page)
            subprocess.run(["import", "-window", "root", "-display", os.environ["DISPLAY"], display], check=True)
            print("Screenshots: %s (the page in Chromium), %s (Notewell's popups)" % (page, display))
    finally:
        browser.close()
        if notewell and notewell.poll() is None:
            notewell.kill()
            notewell.wait()
    return 1 if FAILED or not notewell else 0


if __name__ == "__main__":
    sys.exit(main())
