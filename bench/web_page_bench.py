#!/usr/bin/env python3
"""The web page's figures: the size of quillmoor.html; the scene's CPU per
frame in WebAssembly (Node.js) and natively, the same program over an OpenGL
that does nothing; in headless Chromium (SwiftShader) at 1280x720, the main
thread's time per frame and what of it the scene leaves to the OpenGL layer
and WebGL; the time from the start of loading to the first frame.

  bench/web_page_bench.py [BUILD_WEB [BUILD_LINUX]]   (default build/web, build/linux)"""
import os
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_pipe import Browser  # noqa: E402

web = sys.argv[1] if len(sys.argv) > 1 else "build/web"
linux = sys.argv[2] if len(sys.argv) > 2 else "build/linux"
html = os.path.abspath(os.path.join(web, "quillmoor.html"))


def scene_ms(command):
    out = subprocess.run(command, check=True, capture_output=True, text=True,
                         env=dict(os.environ, NODE_PATH=os.environ.get("NODE_PATH", "/usr/share/nodejs"))).stdout
    return float(out.split(":")[1].split("ms")[0])


size = os.path.getsize(html)
print(f"quillmoor.html: {size} bytes ({size / 1024:.0f} KiB, {size / 1e6:.2f} MB)")
wasm = scene_ms(["node", os.path.join(web, "quillmoor_bench_scene.js")])
native = scene_ms([os.path.join(linux, "quillmoor_bench_scene")])
print(f"scene CPU per frame at 1280x720: {wasm:.2f} ms WebAssembly (Node.js), {native:.2f} ms native "
      f"({wasm / native:.1f} x)")

def metrics(browser, session):
    """The page's running totals (ScriptDuration, TaskDuration, ... in seconds)."""
    return {m["name"]: m["value"] for m in browser.call("Performance.getMetrics", {}, session)["metrics"]}


url = "file://" + urllib.parse.quote(html)
with tempfile.TemporaryDirectory() as profile:
    browser = Browser(profile, os.path.join(web, "web_page_bench.log"), profile)
    try:
        first = []
        for _ in range(3):
            session = browser.open(url + "?seed=3", 1280, 720)
            browser.wait_frames(session, 1)
            first.append(float(browser.evaluate(session, "document.documentElement.dataset.firstFrameMs")))
            browser.call("Page.close", {}, session)
        print(f"load to first frame at 1280x720: {statistics.median(first):.0f} ms (median of 3: "
              f"{', '.join(f'{t:.0f}' for t in first)})")

        session = browser.open(url + "?at=2026-12-20T14:25:10&seed=3", 1280, 720)
        browser.call("Performance.enable", {}, session)
        browser.wait_frames(session, 60)
        frames = lambda: int(browser.evaluate(session, "Number(document.documentElement.dataset.frames)"))
        before, frames_before, clock_before = metrics(browser, session), frames(), time.monotonic()
        time.sleep(10)
        after, frames_after, clock_after = metrics(browser, session), frames(), time.monotonic()
        drawn = frames_after - frames_before
        script = (after["ScriptDuration"] - before["ScriptDuration"]) * 1000 / drawn
        task = (after["TaskDuration"] - before["TaskDuration"]) * 1000 / drawn
        print(f"headless Chromium, SwiftShader, 1280x720: {drawn} frames in {clock_after - clock_before:.1f} s "
              f"({(clock_after - clock_before) * 1000 / drawn:.1f} ms apart); main thread per frame "
              f"{task:.1f} ms, of it script (scene, OpenGL layer, WebGL calls) {script:.1f} ms")
        print(f"the OpenGL layer and WebGL: {script - wasm:.1f} ms a frame, {(script - wasm) / script:.0%} of "
              f"the script time (script time less the scene's own {wasm:.1f} ms)")
    finally:
        browser.close()
