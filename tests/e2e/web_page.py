#!/usr/bin/env python3
"""The web page in headless Chromium against the renderer's pictures (left in OUT_DIR).
  web_page.py QUILLMOOR_HTML QUILLMOOR_RENDER OUT_DIR"""
import os
import subprocess
import sys
import tempfile
import time
import urllib.parse

from chromium_pipe import Browser, Rgb, within

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


def rendered(size, *extra, at="2026-12-20 14:25:10"):
    path = os.path.join(OUT, f"render-{size}{''.join(extra)}{at.replace(' ', '-').replace(':', '')}.png")
    subprocess.run([RENDER, "--size", size, "--at", at, "--seed", "3", "--frames", "5",
                    "--out", path, *extra], check=True)
    return Rgb(path)


# The browser's clock stopped at 2038-01-19T03:14:10Z, two seconds past the
# last second a signed 32-bit count of seconds holds.
def clock_stopped_at(utc):
    """The browser's clock stopped at utc, the arguments of Date.UTC."""
    return """(() => { const fixed = Date.UTC(%s), Real = Date;
  window.Date = class extends Real { constructor(...a) { super(...(a.length ? a : [fixed])); }
                                     static now() { return fixed; } }; })();""" % utc


CLOCK_PAST_2038 = clock_stopped_at("2038, 0, 19, 3, 14, 10")
# The live clock in zones off UTC, each instant with the local time it is
# there: New York five hours behind, four in summer time (from 07:00 UTC on 8
# March 2026 to 06:00 UTC on 1 November 2026), Kolkata five and a half ahead.
ZONE_CLOCKS = (("America/New_York", "2026, 2, 8, 6, 59, 50", "2026-03-08 01:59:50"),
               ("America/New_York", "2026, 2, 8, 7, 0, 10", "2026-03-08 03:00:10"),
               ("America/New_York", "2026, 10, 1, 5, 59, 50", "2026-11-01 01:59:50"),
               ("America/New_York", "2026, 10, 1, 6, 0, 10", "2026-11-01 01:00:10"),
               ("Asia/Kolkata", "2026, 11, 20, 8, 55, 10", "2026-12-20 14:25:10"),
               ("Asia/Kolkata", "2026, 11, 31, 18, 30, 10", "2027-01-01 00:00:10"))
# A vertex shader that cannot compile, and the console's warnings kept.
BROKEN_SHADER = """(() => { const real = WebGL2RenderingContext.prototype.shaderSource;
  WebGL2RenderingContext.prototype.shaderSource = function (shader, source) {
    return real.call(this, shader, source.replace("gl_Position =", "gl_Position = undeclaredValue +")); };
  window.warnings = []; const warn = console.warn;
  console.warn = function (...a) { window.warnings.push(a.join(" ")); return warn.apply(console, a); }; })();"""
# The objects of the page's WebGL names in emscripten's tables.
OBJECTS = "[GL.buffers, GL.vaos, GL.programs].map(t => t.filter(Boolean).length)"
# emscripten's counter of WebGL names and the lengths of its tables of them
# (each is padded with nulls up to the last name given in it).
NAMES = "[GL.counter, ...[GL.buffers, GL.vaos, GL.programs, GL.shaders, GL.textures].map(t => t.length)]"
LOSE = """window.lose = document.getElementById('canvas').getContext('webgl2').getExtension('WEBGL_lose_context');
document.documentElement.dataset.frames = 0; lose.loseContext()"""


def compare(browser, session, name, native, parts=()):
    check(browser.wait_frames(session, 5) == 5, "five frames drawn")
    web = browser.screenshot(session, name)
    check((web.width, web.height) == (native.width, native.height), f"a {web.width}x{web.height} picture")
    if (web.width, web.height) != (native.width, native.height):
        return web
    share = within(web, native)
    check(share >= 0.99, f"{share:.2%} of pixels within 2 levels of the renderer's (at least 99 %)")
    for part in parts:
        share = within(web, native, PARTS[part])
        check(share >= 0.96, f"\"{part}\": {share:.2%} of its pixels within 2 levels")
    return web


def main():
    page = "file://" + urllib.parse.quote(os.path.abspath(HTML)) + "?"
    landscape = rendered("640x480")
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
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

            print("== the live clock past 2038-01-19T03:14:07Z: the countdown of the renderer at that moment")
            session = browser.open(page + "seed=3&frames=5", 640, 480, script=CLOCK_PAST_2038, timezone="UTC")
            compare(browser, session, "past-2038", rendered("640x480", at="2038-01-19 03:14:10"), PARTS)
            browser.call("Page.close", {}, session)

            for zone, utc, local in ZONE_CLOCKS:
                print(f"== the live clock at {utc} UTC in {zone}: the renderer's picture of {local}")
                session = browser.open(page + "seed=3&frames=5", 640, 480, script=clock_stopped_at(utc),
                                       timezone=zone)
                compare(browser, session, f"zone-{local[:10]}-{local[11:13]}", rendered("640x480", at=local),
                        ("the hands", "9 Hours"))
                browser.call("Page.close", {}, session)

            print("== a counted run's context lost and restored, no resize between: drawn again, nothing left behind")
            session = browser.open(page + FIXED, 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            objects = browser.evaluate(session, OBJECTS)
            for n in range(6):
                browser.evaluate(session, LOSE)
                time.sleep(0.1)
                browser.evaluate(session, "lose.restoreContext()")
                check(browser.wait_frames(session, 5) == 5, f"five frames drawn again after loss {n + 1}")
            compare(browser, session, "restored-in-place", landscape, PARTS)
            after = browser.evaluate(session, OBJECTS)
            check(after == objects, f"buffers, vertex arrays, programs: {after} after six losses, {objects} before")
            browser.call("Page.close", {}, session)

            print("== 30 losses and restores: the name tables as long after each as after the first, the same objects")
            session = browser.open(page + FIXED, 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            rows = []
            for n in range(30):
                browser.evaluate(session, LOSE)
                time.sleep(0.05)
                browser.evaluate(session, "lose.restoreContext()")
                if browser.wait_frames(session, 5) != 5:
                    check(False, f"five frames drawn again after loss {n + 1}")
                    break
                rows.append((tuple(browser.evaluate(session, NAMES)), tuple(browser.evaluate(session, OBJECTS))))
            check(len(rows) == 30 and all(names == rows[0][0] for names, _ in rows),
                  "counter and tables (buffers, vertex arrays, programs, shaders, textures) after restores 1, 2 and 30: "
                  + ", ".join(str(rows[i][0]) for i in (0, 1, -1) if i < len(rows)))
            check(len({live for _, live in rows}) == 1, f"the same objects after every restore: {rows[0][1]}")
            compare(browser, session, "restored-30-times", landscape, PARTS)
            browser.call("Page.close", {}, session)

            print("== a lost WebGL context comes back drawing")
            session = browser.open(page + FIXED, 640, 480)
            check(browser.wait_frames(session, 5) == 5, "five frames drawn")
            browser.evaluate(session, LOSE)
            # A new size would start the counted frames over, but not while the context is gone.
            for width, height in ((480, 854), (640, 480)):
                browser.resize(session, width, height)
                time.sleep(0.3)
            check(browser.wait_frames(session, 1, timeout=0.5) == 0, "nothing drawn while the context is lost")
            browser.evaluate(session, "lose.restoreContext()")
            compare(browser, session, "restored", landscape, PARTS)

            print("== a shader that fails to build: its stage named, its log on the console")
            session = browser.open(page + FIXED, 640, 480, script=BROKEN_SHADER)
            time.sleep(2)
            message = browser.evaluate(session, MESSAGE)
            check("the vertex shader failed" in message, f"the message: {message!r}")
            check(any("vertex shader failed" in w and "undeclaredValue" in w
                      for w in browser.evaluate(session, "window.warnings")), "the info log on the console")
        finally:
            browser.close()
    for width, height, scale in ((1366, 768, 1.1), (643, 482, 1.25)):
        print(f"== {width}x{height} CSS pixels on a screen of {scale} device pixels to one: pixel for pixel")
        with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
            browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT, [f"--force-device-scale-factor={scale}"])
            try:
                session = browser.open(page + FIXED, width, height, scale=0)  # the screen's own ratio
                browser.wait_frames(session, 5)
                size = browser.evaluate(session, "[document.getElementById('canvas').width, "
                                                 "document.getElementById('canvas').height]")
                compare(browser, session, f"ratio-{scale}", rendered(f"{size[0]}x{size[1]}"))
            finally:
                browser.close()
    print("== a browser without WebGL 2: one line instead of a blank page")
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile, os.path.join(OUT, "chromium.log"), OUT, ["--disable-webgl2"])
        session, _ = browser.open(page + FIXED, 640, 480), time.sleep(2)
        message, _ = browser.evaluate(session, MESSAGE), browser.close()
        check(message == "This browser offers no WebGL 2, which the saver needs to draw.", f"the message: {message!r}")
    print(f"{len(FAILURES)} failed" if FAILURES else "all passed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
