#!/usr/bin/env python3
"""The web page left running in headless Chromium, then its context lost and
restored again and again: what it keeps. Every minute (and after every ten
restores) prints the frames drawn, the length of emscripten's WebGL id tables
(GL.buffers, GL.vaos, GL.programs, GL.shaders, GL.textures: each is filled with
nulls up to the largest id it has been given, ids coming from one counter
shared by all of them), the live objects in them, the id counter, and the
WebAssembly and JavaScript heaps. Tables that keep growing while the page draws
mean objects are created and deleted over and over; tables that grow with every
restore mean the names of the lost context were not given back.

  bench/page_soak.py [BUILD_WEB] [--minutes M] [--restores N] [--size WxH]
      (default build/web, 10 minutes, 30 restores, 640x480)"""
import argparse
import os
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_pipe import Browser  # noqa: E402

TABLES = ("buffers", "vaos", "programs", "shaders", "textures")
STATE = ("[[" + ", ".join(f"GL.{t}.length" for t in TABLES) + "], [" +
         ", ".join(f"GL.{t}.filter(Boolean).length" for t in TABLES) + "], GL.counter, "
         "Number(document.documentElement.dataset.frames), HEAP8.length, performance.memory.usedJSHeapSize]")
FRAMES = "Number(document.documentElement.dataset.frames)"
LOSE = """window.lose = document.getElementById('canvas').getContext('webgl2').getExtension('WEBGL_lose_context');
document.documentElement.dataset.frames = 0; lose.loseContext()"""


def show(browser, session, when):
    lengths, live, counter, frames, wasm, js = browser.evaluate(session, STATE)
    print(f"{when}: frames {frames}; table lengths " + ", ".join(f"{t} {n}" for t, n in zip(TABLES, lengths)) +
          "; live " + ", ".join(f"{t} {n}" for t, n in zip(TABLES, live)) +
          f"; id counter {counter}; WebAssembly heap {wasm / 2**20:.0f} MiB, JavaScript heap {js / 2**20:.1f} MiB",
          flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("web", nargs="?", default="build/web")
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--restores", type=int, default=30)
    parser.add_argument("--size", default="640x480")
    args = parser.parse_args()
    width, height = (int(n) for n in args.size.split("x"))
    url = "file://" + urllib.parse.quote(os.path.abspath(os.path.join(args.web, "quillmoor.html"))) + "?seed=1"
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile, os.path.join(args.web, "page_soak.log"), profile, ["--enable-precise-memory-info"])
        try:
            session = browser.open(url, width, height)
            browser.wait_frames(session, 5)
            show(browser, session, "after 5 frames")
            start = time.monotonic()
            for minute in range(1, int(args.minutes) + 1):
                time.sleep(max(0.0, start + 60 * minute - time.monotonic()))
                show(browser, session, f"after {minute} min")
            for n in range(1, args.restores + 1):
                # A live page goes on counting its frames after a restore: five more are waited for.
                drawn = browser.evaluate(session, FRAMES)
                browser.evaluate(session, LOSE)
                time.sleep(0.05)
                browser.evaluate(session, "lose.restoreContext()")
                for _ in range(400):
                    if browser.evaluate(session, FRAMES) >= drawn + 5:
                        break
                    time.sleep(0.05)
                if n % 10 == 0 or n == 1:
                    show(browser, session, f"after restore {n}")
        finally:
            browser.close()


if __name__ == "__main__":
    main()
