#!/usr/bin/env python3
"""The web page's figures: the size of quillmoor.html; the scene's CPU per
frame in WebAssembly (Node.js) and natively, the same program over an OpenGL
that does nothing; in headless Chromium (SwiftShader) at 1280x720, the main
thread's time per frame, the bytes uploaded to WebGL and the draw calls per
frame; the time from the start of loading to the first frame; the GL objects
left in emscripten's tables after 30 losses of the context. Further builds of
the page (e.g. one of an earlier commit) are measured alike in the same run.

  bench/web_page_bench.py [BUILD_WEB [BUILD_LINUX [OTHER_BUILD_WEB...]]]   (default build/web, build/linux)"""
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
others = sys.argv[3:]  # earlier builds of the page, measured alike, side by side

# WebGL's uploads and draws counted as the page makes them (emscripten's
# glBufferData passes the heap with an offset and a length).
COUNT_GL = """(() => { const p = WebGL2RenderingContext.prototype;
  window.glCounts = {bytes: 0, uploads: 0, draws: 0, largest: 0};
  const bytesOf = (data, length) => length !== undefined ? length : typeof data === "number" ? 0 : data.byteLength;
  const bufferData = p.bufferData, bufferSubData = p.bufferSubData, drawArrays = p.drawArrays;
  const count = n => { glCounts.bytes += n; glCounts.uploads += 1; glCounts.largest = Math.max(glCounts.largest, n); };
  p.bufferData = function (t, data, usage, offset, length) { count(bytesOf(data, length)); return bufferData.apply(this, arguments); };
  p.bufferSubData = function (t, at, data, offset, length) { count(bytesOf(data, length)); return bufferSubData.apply(this, arguments); };
  p.drawArrays = function () { glCounts.draws += 1; return drawArrays.apply(this, arguments); }; })();"""
OBJECTS = "[GL.buffers, GL.vaos, GL.programs].map(t => t.filter(Boolean).length)"


def scene_ms(command):
    out = subprocess.run(command, check=True, capture_output=True, text=True,
                         env=dict(os.environ, NODE_PATH=os.environ.get("NODE_PATH", "/usr/share/nodejs"))).stdout
    return float(out.split(":")[1].split("ms")[0])


def metrics(browser, session):
    """The page's running totals (ScriptDuration, TaskDuration, ... in seconds)."""
    return {m["name"]: m["value"] for m in browser.call("Performance.getMetrics", {}, session)["metrics"]}


def frames_drawn(browser, session):
    return int(browser.evaluate(session, "Number(document.documentElement.dataset.frames)"))


def measure(build, browser):
    html = os.path.abspath(os.path.join(build, "quillmoor.html"))
    url = "file://" + urllib.parse.quote(html)
    print(f"== {build}")
    size = os.path.getsize(html)
    print(f"quillmoor.html: {size} bytes ({size / 1024:.0f} KiB, {size / 1e6:.2f} MB)")
    wasm = scene_ms(["node", os.path.join(build, "quillmoor_bench_scene.js")])
    native = scene_ms([os.path.join(linux, "quillmoor_bench_scene")])
    print(f"scene CPU per frame at 1280x720: {wasm:.2f} ms WebAssembly (Node.js), {native:.2f} ms native "
          f"({wasm / native:.1f} x)")

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
    before, frames_before, clock_before = metrics(browser, session), frames_drawn(browser, session), time.monotonic()
    time.sleep(10)
    after, frames_after, clock_after = metrics(browser, session), frames_drawn(browser, session), time.monotonic()
    browser.call("Page.close", {}, session)
    drawn = frames_after - frames_before
    script = (after["ScriptDuration"] - before["ScriptDuration"]) * 1000 / drawn
    task = (after["TaskDuration"] - before["TaskDuration"]) * 1000 / drawn
    print(f"headless Chromium, SwiftShader, 1280x720: {drawn} frames in {clock_after - clock_before:.1f} s "
          f"({(clock_after - clock_before) * 1000 / drawn:.1f} ms apart); main thread per frame "
          f"{task:.1f} ms, of it script (scene, OpenGL layer, WebGL calls) {script:.1f} ms")

    # Uploads and draws per frame in the steady state, in a page of their own
    # (the counting costs time).
    session = browser.open(url + "?at=2026-12-20T14:25:10&seed=3", 1280, 720, script=COUNT_GL)
    browser.wait_frames(session, 60)
    counts = lambda: browser.evaluate(session, "[glCounts.bytes, glCounts.uploads, glCounts.draws, "
                                               "Number(document.documentElement.dataset.frames)]")
    start = counts()
    time.sleep(5)
    end = counts()
    browser.evaluate(session, "glCounts.largest = 0")
    time.sleep(1)
    largest = browser.evaluate(session, "glCounts.largest")
    browser.call("Page.close", {}, session)
    n = end[3] - start[3]
    print(f"WebGL per frame at 1280x720 (steady, over {n} frames): {(end[0] - start[0]) / n / 1e6:.3f} MB in "
          f"{(end[1] - start[1]) / n:.1f} uploads (the largest {largest} bytes), {(end[2] - start[2]) / n:.1f} draws")

    # What 30 losses of the context leave in emscripten's tables.
    session = browser.open(url + "?at=2026-12-20T14:25:10&seed=3&frames=5", 640, 480)
    browser.wait_frames(session, 5)
    first_count = browser.evaluate(session, OBJECTS)
    for _ in range(30):
        browser.evaluate(session, """window.lose = document.getElementById('canvas').getContext('webgl2')
            .getExtension('WEBGL_lose_context'); document.documentElement.dataset.frames = 0; lose.loseContext()""")
        time.sleep(0.05)
        browser.evaluate(session, "lose.restoreContext()")
        browser.wait_frames(session, 5)
    print(f"GL objects (buffers, vertex arrays, programs): {first_count} at the start, "
          f"{browser.evaluate(session, OBJECTS)} after 30 losses")
    browser.call("Page.close", {}, session)


with tempfile.TemporaryDirectory() as profile:
    browser = Browser(profile, os.path.join(web, "web_page_bench.log"), profile)
    try:
        for build in [web, *others]:
            measure(build, browser)
    finally:
        browser.close()
