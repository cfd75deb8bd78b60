#!/usr/bin/env python3
"""The web page in headless Chromium against the renderer's pictures (left in OUT_DIR).
  web_page.py QUILLMOOR_HTML QUILLMOOR_RENDER OUT_DIR"""
import os
import subprocess
import sys
import tempfile
import time
import urllib.parse

from chromium_pipe import Browser, Rgb

HTML, RENDER, OUT = sys.argv[1:4]
os.makedirs(OUT, exist_ok=True)
FIXED = "at=2026-12-20T14:25:10&seed=3&frames=5"
FAILURES = []
MESSAGE = "document.getElementById('message').textContent"
# Where the 640x480 picture of 14:25:10 on 20 December has its parts.
PARTS = {"Up to Christmas": (70, 66, 340, 104), "4 Days": (125, 112, 250, 146), "9 Hours": (120, 155, 260, 190),
         "34 Min": (125, 198, 250, 232), "49 Sec": (125, 242, 250, 276), "the hands": (455, 90, 580, 275),
         "12": (450, 8, 482, 38), "3": (594, 146, 618, 176), "6": (450, 284, 476, 316), "9": (310, 146, 334, 176)}


def check(condition, what):
    print(("  ok: " if condition else "  FAIL: ") + what, flush=True)
    if not condition:
        FAILURES.append(what)


def within(a, b, box=None):
    """The share of the pixels of box (x0, y0, x1, y1; default all) with every channel within 2 levels."""
    x0, y0, x1, y1 = box or (0, 0, a.width, a.height)
    close = 0
    for y in range(y0, y1):
        pa, pb = (p.data[3 * (y * a.width + x0):3 * (y * a.width + x1)] for p in (a, b))
        close += sum(1 for i in range(0, len(pa), 3) if all(abs(pa[i + k] - pb[i + k]) <= 2 for k in range(3)))
    return close / ((x1 - x0) * (y1 - y0))


def rendered(size, *extra):
    path = os.path.join(OUT, f"render-{size}{''.join(extra)}.png")
    subprocess.run([RENDER, "--size", size, "--at", "2026-12-20 14:25:10", "--seed", "3", "--frames", "5",
                    "--out", path, *extra], check=True)
    return Rgb(path)


def compare(browser, session, name, native, parts=()):
    check(browser.wait_frames(session, 5) == 5, "five frames drawn")
    web = browser.screenshot(session, name)
    check((web.width, web.height) == (native.width, native.height), f"a {web.width}x{web.height} picture")
    share = within(web, native)
    check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's (at least 99 %)")
    for part in parts:
        share = within(web, native, PARTS[part])
        check(share >= 0.96, f"\"{part}\": {share:.2%} of its pixels within 2 levels")
    return web


def main():
    page = "file://" + urllib.parse.quote(os.path.abspath(HTML)) + "?"
    landscape = rendered("640x480")
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT)
        try:
            print("== the renderer's picture, loaded from file://")
            session = browser.open(page + FIXED, 640, 480)
            compare(browser, session, "landscape", landscape, PARTS)

            print("== portrait 480x854: the scene in its 4:3 band, 247 black rows above and below")
            session = browser.open(page + FIXED, 480, 854)
            web = compare(browser, session, "portrait", rendered("480x854"))
            check(all(web.pixel(x, y) == b"\0\0\0" for y in (0, 246, 607, 853) for x in (0, 479)), "black outside")
            check(all(web.pixel(x, y) != b"\0\0\0" for y in (247, 606) for x in (0, 479)), "the band's edges drawn")

            print("== turned to 640x480: laid out anew, the counted frames drawn again")
            browser.resize(session, 640, 480)
            time.sleep(0.5)
            compare(browser, session, "resized", landscape)

            print("== a HiDPI screen: 320x240 CSS pixels, then two device pixels to one")
            session = browser.open(page + FIXED, 320, 240)
            browser.wait_frames(session, 5)
            browser.evaluate(session, "document.documentElement.dataset.frames = 0")
            browser.resize(session, 320, 240, scale=2)
            compare(browser, session, "hidpi", landscape)

            print("== the pointer hides when still; F or a click asks for full screen")
            state = "[document.body.classList.contains('still'), document.fullscreenElement !== null]"
            for x in (100, 200):
                browser.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": x, "y": 100}, session)
                check(browser.evaluate(session, state) == [False, False], "the pointer shown when it moves")
                time.sleep(2.3)
                check(browser.evaluate(session, state)[0], "hidden after 2 s without movement")
            browser.call("Input.dispatchKeyEvent", {"type": "keyDown", "key": "f", "text": "f"}, session)
            time.sleep(0.3)
            check(browser.evaluate(session, state)[1], "full screen after the F key")
            browser.evaluate(session, "document.exitFullscreen()")
            for kind in ("mousePressed", "mouseReleased"):
                time.sleep(0.3)
                browser.call("Input.dispatchMouseEvent", {"type": kind, "x": 9, "y": 9, "button": "left", "clickCount": 1},
                             session)
            time.sleep(0.3)
            check(browser.evaluate(session, state)[1], "full screen after a click")

            print("== the preview's scene")
            compare(browser, browser.open(page + FIXED + "&preview", 640, 480), "preview",
                    rendered("640x480", "--preview"))

            print("== a bad at: its message over the live scene")
            session = browser.open(page + "at=2026-12-20T25:00:00&seed=3", 640, 480)
            check(browser.wait_frames(session, 3) >= 3, "frames drawn")
            message = browser.evaluate(session, MESSAGE)
            check(message == "bad at \"2026-12-20T25:00:00\": times of day run from 00:00:00 to 23:59:59",
                  f"the message: {message!r}")
            web = browser.screenshot(session, "bad-at")
            check(min(web.pixel(320, 470)) > 150 and web.pixel(320, 40)[2] > web.pixel(320, 40)[0],
                  "the ground white below, the sky blue above")

            print("== a clock stepped by half seconds into the New Year is no mistake")
            session = browser.open(page + "at=2026-12-31T23:59:50&step=0.5&frames=2", 640, 480)
            check(browser.wait_frames(session, 2) == 2, "two frames drawn")
            check(browser.evaluate(session, MESSAGE) == "", "no message")

            print("== a lost WebGL context comes back drawing")
            session = browser.open(page + FIXED, 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            browser.evaluate(session, """window.lose = document.getElementById('canvas').getContext('webgl2')
                .getExtension('WEBGL_lose_context'); document.documentElement.dataset.frames = 0; lose.loseContext()""")
            # A new size would start the counted frames over, but not while the context is gone.
            for width, height in ((480, 854), (640, 480)):
                browser.resize(session, width, height)
                time.sleep(0.3)
            check(browser.wait_frames(session, 1, timeout=0.5) == 0, "nothing drawn while the context is lost")
            browser.evaluate(session, "lose.restoreContext()")
            compare(browser, session, "restored", landscape, PARTS)
        finally:
            browser.close()
    print("== a browser without WebGL 2: one line instead of a blank page")
    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT, ["--disable-webgl2"])
        session, _ = browser.open(page + FIXED, 640, 480), time.sleep(2)
        message, _ = browser.evaluate(session, MESSAGE), browser.close()
        check(message == "This browser offers no WebGL 2, which the saver needs to draw.", f"the message: {message!r}")
    print(f"{len(FAILURES)} failed" if FAILURES else "all passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
