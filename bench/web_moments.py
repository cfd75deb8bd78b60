#!/usr/bin/env python3
"""How closely the web page matches the renderer over many moments: the page's
own test moment and a sweep across the calendar's years, times of day and the
countdowns' turning points. For each, the share of pixels within 2 levels of
the renderer's picture (the page's test asks for 99 %) and the worst share in
the countdown's text; with two pages, side by side (e.g. before and after a
change of the scene's number type on WebAssembly).

  bench/web_moments.py QUILLMOOR_RENDER OUT_DIR PAGE.html [OTHER_PAGE.html]"""
import os
import subprocess
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_pipe import Browser, Rgb, within  # noqa: E402

RENDER, OUT, PAGES = sys.argv[1], sys.argv[2], sys.argv[3:]
os.makedirs(OUT, exist_ok=True)
TEXT = (70, 66, 340, 276)  # the countdown's lines at 640x480

TIMES = ["00:00:00", "06:30:15", "12:00:00", "18:45:59", "23:59:59"]
MOMENTS = ["2026-12-20T14:25:10"]
for k, year in enumerate([1601, 1700, 1815, 1900, 1970, 1999, 2000, 2024, 2037, 2038, 2100, 2400, 3000, 4321,
                          5000, 6666, 7777, 8000, 9000, 9998, 9999]):
    MOMENTS.append(f"{year:04d}-{1 + k * 5 % 12:02d}-{1 + k * 7 % 28:02d}T{TIMES[k % len(TIMES)]}")
for year in (1601, 2026, 2038, 5000, 9999):
    MOMENTS += [f"{year}-12-24T23:59:59", f"{year}-12-25T00:00:00", f"{year}-12-31T23:59:58"]
    if year < 9999:
        MOMENTS.append(f"{year + 1}-01-01T00:00:00")


def main():
    urls = ["file://" + urllib.parse.quote(os.path.abspath(p)) + "?" for p in PAGES]
    worst = [(1.0, 1.0, "")] * len(PAGES)
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT)
        try:
            print("moment               " + "   ".join(f"page {i + 1}: all / text" for i in range(len(PAGES))))
            for n, at in enumerate(MOMENTS):
                native_path = os.path.join(OUT, f"render-{n}.png")
                subprocess.run([RENDER, "--size", "640x480", "--at", at.replace("T", " "), "--seed", "3",
                                "--frames", "5", "--out", native_path], check=True)
                native = Rgb(native_path)
                row = []
                for i, url in enumerate(urls):
                    session = browser.open(url + f"at={at}&seed=3&frames=5", 640, 480)
                    browser.wait_frames(session, 5)
                    web = browser.screenshot(session, f"page{i + 1}-{n}")
                    browser.call("Page.close", {}, session)
                    share, text = within(web, native), within(web, native, TEXT)
                    worst[i] = (min(worst[i][0], share), min(worst[i][1], text), worst[i][2] if share > worst[i][0] else at)
                    row.append(f"{share:8.3%} / {text:8.3%}")
                print(f"{at}  " + "   ".join(row), flush=True)
        finally:
            browser.close()
    for i, (share, text, at) in enumerate(worst):
        print(f"page {i + 1} ({PAGES[i]}): worst {share:.3%} of all pixels (at {at}), {text:.3%} of the text's")


if __name__ == "__main__":
    main()
