#!/usr/bin/env python3
"""The web page in headless Chromium (SwiftShader's WebGL 2), driven over the
DevTools protocol on a pipe, against the headless renderer's pictures.

  web_page.py QUILLMOOR_HTML QUILLMOOR_RENDER OUT_DIR

Pictures and their differences are left in OUT_DIR."""
import functools
import http.server
import os
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from chromium_pipe import Browser, Rgb

HTML, RENDER, OUT = sys.argv[1:4]
os.makedirs(OUT, exist_ok=True)
AT_URL, AT_RENDER = "2026-12-20T14:25:10", "2026-12-20 14:25:10"
FAILURES = []


def check(condition, what):
    print(("  ok: " if condition else "  FAIL: ") + what, flush=True)
    if not condition:
        FAILURES.append(what)
    return condition


def within(a, b, box=None, levels=2):
    """The share of pixels of `box` (x0, y0, x1, y1; default all) whose
    channels all lie within `levels` of the other picture's."""
    x0, y0, x1, y1 = box or (0, 0, a.width, a.height)
    close = 0
    for y in range(y0, y1):
        row = 3 * y * a.width
        pa, pb = a.data[row + 3 * x0:row + 3 * x1], b.data[row + 3 * x0:row + 3 * x1]
        close += sum(1 for i in range(0, len(pa), 3)
                     if abs(pa[i] - pb[i]) <= levels and abs(pa[i + 1] - pb[i + 1]) <= levels
                     and abs(pa[i + 2] - pb[i + 2]) <= levels)
    return close / ((x1 - x0) * (y1 - y0))


def rendered(name, size, *extra):
    path = os.path.join(OUT, name + ".png")
    subprocess.run([RENDER, "--size", size, "--at", AT_RENDER, "--seed", "3", "--frames", "5", "--out", path, *extra],
                   check=True)
    return Rgb(path)


def page_url(base, query):
    return base + "?" + query


# Where the 640x480 picture of 20 December 14:25:10 has its parts: each line
# of the countdown, the clock's hands, and four of its numerals.
PARTS_640 = {
    "the line \"Up to Christmas\"": (70, 66, 340, 104), "the line \"4 Days\"": (125, 112, 250, 146),
    "the line \"9 Hours\"": (120, 155, 260, 190), "the line \"34 Min\"": (125, 198, 250, 232),
    "the line \"49 Sec\"": (125, 242, 250, 276), "the clock's hands": (455, 90, 580, 275),
    "the numeral 12": (450, 8, 482, 38), "the numeral 3": (594, 146, 618, 176),
    "the numeral 6": (450, 284, 476, 316), "the numeral 9": (310, 146, 334, 176),
}


def main():
    file_url = "file://" + urllib.parse.quote(os.path.abspath(HTML))
    fixed = f"at={AT_URL}&seed=3&frames=5"
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=os.path.dirname(os.path.abspath(HTML)))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    http_url = f"http://127.0.0.1:{server.server_address[1]}/" + os.path.basename(HTML)

    with tempfile.TemporaryDirectory() as profile:
        browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT)
        try:
            print("== the renderer's picture, loaded from file://")
            session = browser.open(page_url(file_url, fixed), 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            web, native = browser.screenshot(session, "landscape"), rendered("landscape-render", "640x480")
            native_landscape = native
            share = within(web, native)
            check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's (at least 99 %)")
            for part, box in PARTS_640.items():
                share = within(web, native, box)
                check(share >= 0.96, f"{part}: {share:.2%} of its pixels within 2 levels")
            check(browser.evaluate(session, "document.getElementById('message').textContent") == "", "no message")

            print("== portrait 480x854: the scene in its 4:3 band")
            session = browser.open(page_url(file_url, fixed), 480, 854)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            web, native = browser.screenshot(session, "portrait"), rendered("portrait-render", "480x854")
            share = within(web, native)
            check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's")
            # 360 rows of band (480 x 3/4), 247 black rows above and below it.
            black = b"\0\0\0"
            check(all(web.pixel(x, y) == black for y in (0, 246, 607, 853) for x in (0, 240, 479)),
                  "black above and below the band")
            check(all(web.pixel(x, y) != black for y in (247, 606) for x in (0, 240, 479)), "the band's edge rows drawn")

            print("== the window turned to 640x480: laid out anew, the counted frames drawn again")
            browser.call("Emulation.setDeviceMetricsOverride",
                         {"width": 640, "height": 480, "deviceScaleFactor": 1, "mobile": False}, session)
            time.sleep(0.5)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            size = browser.evaluate(session, "(c => c.width + 'x' + c.height)(document.getElementById('canvas'))")
            check(size == "640x480", f"the canvas is {size}")
            share = within(browser.screenshot(session, "resized"), native_landscape)
            check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's 640x480")

            print("== a HiDPI screen: 320x240 at two device pixels to the pixel")
            session = browser.open(page_url(file_url, fixed), 320, 240, scale=2)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            web = browser.screenshot(session, "hidpi")
            check((web.width, web.height) == (640, 480), f"the screenshot is {web.width}x{web.height}")
            share = within(web, native_landscape)
            check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's 640x480")

            print("== the pointer hides when still; a click or F asks for full screen")
            still = "document.body.classList.contains('still')"
            check(browser.evaluate(session, still) is False, "the pointer shown at first")
            time.sleep(2.3)
            check(browser.evaluate(session, still) is True, "hidden after 2 s without movement")
            browser.call("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": 100, "y": 100}, session)
            check(browser.evaluate(session, still) is False, "shown again when it moves")
            full = "document.fullscreenElement === document.documentElement"
            browser.call("Input.dispatchKeyEvent", {"type": "keyDown", "key": "f", "text": "f"}, session)
            time.sleep(0.3)
            check(browser.evaluate(session, full) is True, "full screen after the F key")
            browser.evaluate(session, "document.exitFullscreen()")
            time.sleep(0.3)
            for kind in ("mousePressed", "mouseReleased"):
                browser.call("Input.dispatchMouseEvent",
                             {"type": kind, "x": 100, "y": 100, "button": "left", "clickCount": 1}, session)
            time.sleep(0.3)
            check(browser.evaluate(session, full) is True, "full screen after a click")

            print("== the preview's scene, over HTTP")
            session = browser.open(page_url(http_url, fixed + "&preview"), 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            web, native = browser.screenshot(session, "preview"), rendered("preview-render", "640x480", "--preview")
            share = within(web, native)
            check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's --preview")

            print("== a bad at: its message over the live scene")
            session = browser.open(page_url(file_url, "at=2026-12-20T25:00:00&seed=3"), 640, 480)
            check(browser.wait_frames(session, 3) >= 3, "frames drawn")
            message = browser.evaluate(session, "document.getElementById('message').textContent")
            check(message == "bad at \"2026-12-20T25:00:00\": times of day run from 00:00:00 to 23:59:59",
                  f"the message: {message!r}")
            web = browser.screenshot(session, "bad-at")
            # The ground is near white at the bottom, the sky dark blue at the top.
            check(min(web.pixel(320, 470)) > 150 and web.pixel(320, 40)[2] > web.pixel(320, 40)[0],
                  "the scene drawn under the message")

            print("== a clock stepped by half seconds into the New Year is no mistake")
            session = browser.open(page_url(file_url, "at=2026-12-31T23:59:50&step=0.5&frames=2"), 640, 480)
            check(browser.wait_frames(session, 2) == 2, "two frames drawn")
            message = browser.evaluate(session, "document.getElementById('message').textContent")
            check(message == "", f"no message: {message!r}")

            print("== a lost WebGL context comes back drawing")
            session = browser.open(page_url(file_url, fixed), 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            browser.evaluate(session, """(() => {
                const gl = document.getElementById('canvas').getContext('webgl2');
                window.loseContext = gl.getExtension('WEBGL_lose_context');
                document.documentElement.dataset.frames = 0;
                loseContext.loseContext();
            })()""")
            # A new size would start the counted frames over, but not while the context is gone.
            for width, height in ((480, 854), (640, 480)):
                browser.call("Emulation.setDeviceMetricsOverride",
                             {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False}, session)
                time.sleep(0.3)
            check(browser.wait_frames(session, 1, timeout=0.5) == 0, "nothing drawn while the context is lost")
            browser.evaluate(session, "loseContext.restoreContext()")
            check(browser.wait_frames(session, 5) == 5, "five frames drawn again after the restore")
            web = browser.screenshot(session, "restored")
            share = within(web, native_landscape)
            check(share >= 0.99, f"after the restore {share:.2%} of pixels within 2 levels of the renderer's")
            for part in ("the line \"Up to Christmas\"", "the line \"49 Sec\"", "the numeral 12"):
                share = within(web, native_landscape, PARTS_640[part])
                check(share >= 0.96, f"after the restore {part}: {share:.2%} within 2 levels")
        finally:
            browser.close()
            server.shutdown()

    with tempfile.TemporaryDirectory() as profile:
        print("== a browser without WebGL 2: one line instead of a blank page")
        browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT, ["--disable-webgl2"])
        try:
            session = browser.open(page_url(file_url, fixed), 640, 480)
            time.sleep(2)
            message = browser.evaluate(session, "document.getElementById('message').textContent")
            check(message == "This browser offers no WebGL 2, which the saver needs to draw.", f"the message: {message!r}")
        finally:
            browser.close()
    print(f"{len(FAILURES)} failed" if FAILURES else "all passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
