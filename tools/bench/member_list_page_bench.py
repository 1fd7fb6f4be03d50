#!/usr/bin/python3
"""Prints what a plain page in headless Chromium takes to put 20,000 and
100,000 members into the member list element from memory (rows messages of
500, each in a task of its own), to the "rowsshown" event that shows them,
and what a sort and a batch of changes take at that size.

    /usr/bin/python3 tools/bench/member_list_page_bench.py [--rounds 3]

Serves the tree on a free loopback port; needs Debian's chromium,
chromium-driver and python3-selenium (bash tools/setup.sh installs them).
"""
import argparse
import http.server
import json
import os
import statistics
import sys
import threading

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tests", "browser"))
from browser_support import Browser  # noqa: E402

PAGE = "/tools/bench/member_list_page_bench.html"


class Site(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=REPO, **kwargs)

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    threading.Thread(target=site.serve_forever, daemon=True).start()
    browser = Browser([], window_size=(1000, 700))
    url = "http://127.0.0.1:%d%s" % (site.server_port, PAGE)
    print("Chromium %s, headless; the list element 560 by 400 pixels; %d rounds, a fresh page each"
          % (browser.driver.capabilities.get("browserVersion"), args.rounds))
    try:
        for members in (20000, 100000):
            for as_text, how in ((False, "objects in memory"), (True, "JSON texts parsed per message")):
                runs = []
                for _ in range(args.rounds):
                    browser.open(url)
                    runs.append(json.loads(browser.call("return fill(arguments[0], arguments[1]);", members, as_text)))
                median = lambda key: statistics.median(r[key] for r in runs)
                print("%7d members, %d messages of 500, %s: first message to rows shown %.1f ms (median;"
                      " %s), last message to rows shown %.1f ms, longest message %.1f ms, %d rows in the document"
                      % (members, runs[0]["messages"], how, median("total"),
                         ", ".join("%.1f" % r["total"] for r in runs), median("lastToShown"),
                         median("longestMessage"), runs[0]["inDocument"]))
            after = json.loads(browser.call("return sortAndChange();"))
            print("%7d members: sort by nickname %.1f ms, by age %.1f ms; 1,000 removals and 1,000 new members"
                  " in one batch to rows shown %.1f ms"
                  % (after["rows"], after["sortByNickname"], after["sortByAge"], after["changesToShown"]))
    finally:
        browser.close()
        site.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
