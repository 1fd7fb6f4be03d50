#!/usr/bin/python3
"""The demo's browser path: the service's sample page in Chromium starts
Notewell through its notewell: link, logs in over the bridge, and opens a note
window and a 1:1 chat request, as a member's clicks would.

Run by tools/demo.sh (CORVALA_DEMO_BROWSER=chromium) inside a network
namespace of its own, with the service's web site on port 80, the dev server
playing the demo scenario, and wine ready on DISPLAY. Headless, it saves the
page as Chromium shows it and the wine display with Notewell's popups; with
CORVALA_DEMO_VISIBLE set, Chromium runs on the display until Enter.
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "browser"))
from browser_support import Browser, ServerLog, run_start_link, start_link, visible_windows, wait_until  # noqa: E402

WEB_HOST = os.environ["CORVALA_WEB_HOST"]
NOTEWELL = os.environ["CORVALA_NOTEWELL"]
LOG = ServerLog(os.environ["CORVALA_DEVSERVER_LOG"])
OUT = os.environ["CORVALA_DEMO_OUT"]
VISIBLE = bool(os.environ.get("CORVALA_DEMO_VISIBLE"))
# Mina as the scenario lists her; the page's calls take the fields its member list shows.
MINA = {"id": "mina", "nickname": "미나", "sex": "F", "age": 27, "occupation": "", "region": "서울",
        "taste": 6, "popularity": "98", "topic": "같이 이야기해요", "pointsOrAlbum": 12}


FAILED = []


def step(ok, done, failed):
    print(("  " + done) if ok else ("  FAILED: " + failed), flush=True)
    if not ok:
        FAILED.append(failed)
    return bool(ok)


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
    # The scenario's note and requests come 2, 4 and 6 s after the login; the
    # member's own request and note then open on top of theirs, the note last.
    wait_until(lambda: len([l for l in LOG.text().splitlines()
                            if " out NOTE kind 4" in l or " out CHAT_REQUEST kind 4" in l]) >= 3, 10)
    time.sleep(0.5)
    browser.run("askChat(arguments[0]);", MINA)
    step(wait_until(lambda: LOG.received("CHAT_REQUEST kind 1"), 10),
         "The page's 1:1 chat request to 미나 went to the server; it waits for her answer.",
         "the chat request did not reach the server")
    time.sleep(0.5)
    browser.run("sendNote(arguments[0].id, arguments[0].nickname, arguments[0].sex, arguments[0].age);", MINA)
    step(wait_until(lambda: visible_windows("쪽지보내기"), 10),
         "The page's note to 미나 opened Notewell's note window.", "no note window opened")
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
