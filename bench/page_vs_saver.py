#!/usr/bin/env python3
"""What the web page costs as a browser user pays it, against the native X11
saver: CPU per frame of every process that draws, read from /proc, in
alternating rounds at 1280x720 and 320x240.

  the page:  headless Chromium drawing WebGL 2 with SwiftShader, all its
             processes (browser, renderer, GPU, utilities: the whole tree
             under the browser); frames from the page's own counter
             (document.documentElement.dataset.frames);
  the saver: build/linux/quillmoor full screen on an Xvfb screen of the size,
             drawing with Mesa's llvmpipe through GLX; the saver's and Xvfb's
             CPU; frames counted at its glXSwapBuffers (the swap counter
             library, loaded with LD_PRELOAD).

Both draw in software on the CPU. Each measurement starts its programs
afresh, lets them draw for WARM seconds, then counts SECONDS. Prints each
round, then the medians, their ratio and the page's share per process kind;
and, from the two sizes, the part of a frame's CPU that grows with the
picture's pixels (raster) and the part that does not (geometry, API calls,
the scene, compositing, presenting).

  bench/page_vs_saver.py [BUILD_WEB BUILD_LINUX] [--rounds N] [--seconds S] [--warm S]
      (default build/web build/linux, 5 rounds of 10 s after 4 s)"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_pipe import Browser  # noqa: E402

SIZES = ((1280, 720), (320, 240))
TICK = os.sysconf("SC_CLK_TCK")


def stat(pid):
    """(parent pid, CPU seconds used: user + system) of a live process, or None."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            text = f.read()
    except OSError:
        return None
    fields = text[text.rindex(")") + 2:].split()  # after the command's name, which may hold spaces
    return int(fields[1]), (int(fields[11]) + int(fields[12])) / TICK


def tree_cpu(root):
    """CPU seconds of root and every process under it, by pid."""
    parents, cpu = {}, {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            s = stat(int(name))
            if s:
                parents[int(name)], cpu[int(name)] = s
    inside = {}
    for pid in cpu:
        p = pid
        while p in parents and p != root and p > 1:
            p = parents[p]
        if p == root:
            inside[pid] = cpu[pid]
    return inside


def kind_of(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            words = f.read().replace(b"\0", b" ").split()  # Chromium rewrites its own as one line
    except OSError:
        return "gone"
    for w in words:
        if w.startswith(b"--type="):
            return w[7:].decode()
    return "browser"


def measure_page(url, width, height, seconds, warm, log):
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile, log, profile, [f"--window-size={width},{height}"])
        try:
            session = browser.open(url, width, height)
            browser.wait_frames(session, 10)
            time.sleep(warm)
            frames = lambda: int(browser.evaluate(session, "Number(document.documentElement.dataset.frames)"))
            cpu0, f0 = tree_cpu(browser.process.pid), frames()
            time.sleep(seconds)
            cpu1, f1 = tree_cpu(browser.process.pid), frames()
            kinds = {}
            for pid, used in cpu1.items():
                kinds[kind_of(pid)] = kinds.get(kind_of(pid), 0) + used - cpu0.get(pid, 0)
        finally:
            browser.close()
    drawn = f1 - f0
    return sum(kinds.values()) * 1e3 / drawn, drawn / seconds, {k: v * 1e3 / drawn for k, v in kinds.items()}


def measure_saver(saver, counter_library, width, height, seconds, warm):
    with tempfile.TemporaryDirectory() as work:
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
                                 "-nolisten", "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        os.close(write_fd)
        display = b""
        while not display.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            display += chunk
        os.close(read_fd)
        count_file = os.path.join(work, "swaps")
        env = dict(os.environ, DISPLAY=":" + display.decode().strip(), LD_PRELOAD=counter_library,
                   QUILLMOOR_SWAP_COUNT=count_file, XDG_RUNTIME_DIR=work)
        saver = subprocess.Popen([saver], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            swaps = lambda: int.from_bytes(open(count_file, "rb").read(8) or b"\0", sys.byteorder)
            for _ in range(200):
                if os.path.exists(count_file) and swaps() >= 10:
                    break
                time.sleep(0.05)
            time.sleep(warm)
            cpu = lambda: {"saver": stat(saver.pid)[1], "Xvfb": stat(xvfb.pid)[1]}
            cpu0, s0 = cpu(), swaps()
            time.sleep(seconds)
            cpu1, s1 = cpu(), swaps()
            if saver.poll() is not None:
                raise RuntimeError(f"the saver ended early ({saver.returncode})")
        finally:
            for p in (saver, xvfb):
                p.terminate()
                p.wait()
    drawn = s1 - s0
    kinds = {k: (cpu1[k] - cpu0[k]) * 1e3 / drawn for k in cpu0}
    return sum(kinds.values()), drawn / seconds, kinds


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("web", nargs="?", default="build/web")
    parser.add_argument("linux", nargs="?", default="build/linux")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--warm", type=float, default=4)
    args = parser.parse_args()
    url = "file://" + urllib.parse.quote(os.path.abspath(os.path.join(args.web, "quillmoor.html"))) + "?seed=1"
    saver = os.path.join(args.linux, "quillmoor")
    library = os.path.abspath(os.path.join(args.linux, "libquillmoor_bench_swap_counter.so"))
    log = os.path.join(args.web, "page_vs_saver.log")
    print(f"load average at the start: {open('/proc/loadavg').read().split()[:3]}")
    results = {size: {"page": [], "saver": []} for size in SIZES}
    for r in range(args.rounds):
        for width, height in SIZES:
            runs = {"page": lambda: measure_page(url, width, height, args.seconds, args.warm, log),
                    "saver": lambda: measure_saver(saver, library, width, height, args.seconds, args.warm)}
            for which in (("page", "saver") if r % 2 == 0 else ("saver", "page")):
                results[(width, height)][which].append(runs[which]())
            (page, page_fps, page_kinds), (native, native_fps, native_kinds) = (
                results[(width, height)][w][-1] for w in ("page", "saver"))
            print(f"round {r + 1} {width}x{height}: page {page:.1f} ms a frame at {page_fps:.1f} frames/s ("
                  + ", ".join(f"{k} {v:.1f}" for k, v in sorted(page_kinds.items(), key=lambda kv: -kv[1]))
                  + f"); saver {native:.1f} ms at {native_fps:.1f} frames/s ("
                  + ", ".join(f"{k} {v:.1f}" for k, v in native_kinds.items()) + f"): {page / native:.2f} x",
                  flush=True)
    print(f"load average at the end: {open('/proc/loadavg').read().split()[:3]}")
    medians = {}
    for size in SIZES:
        page, native = (statistics.median(run[0] for run in results[size][w]) for w in ("page", "saver"))
        medians[size] = page, native
        ratios = sorted(p[0] / n[0] for p, n in zip(results[size]["page"], results[size]["saver"]))
        shares = {}
        for run in results[size]["page"]:
            for k, v in run[2].items():
                shares[k] = shares.get(k, 0) + v / run[0] / len(results[size]["page"])
        print(f"{size[0]}x{size[1]}: medians of {args.rounds} rounds: page {page:.1f} ms, saver {native:.1f} ms "
              f"of CPU a frame: {page / native:.2f} x (rounds' ratios {ratios[0]:.2f} to {ratios[-1]:.2f}); the page's "
              "CPU by process: " + ", ".join(f"{k} {v:.0%}" for k, v in sorted(shares.items(), key=lambda kv: -kv[1])))
    # A frame's CPU as a fixed part plus a part proportional to its pixels,
    # solved from the two sizes.
    (w1, h1), (w2, h2) = SIZES
    for i, name in enumerate(("page", "saver")):
        c1, c2 = medians[(w1, h1)][i], medians[(w2, h2)][i]
        per_pixel = (c1 - c2) / (w1 * h1 - w2 * h2)
        print(f"{name}: raster (grows with the pixels) {per_pixel * w1 * h1:.1f} ms at {w1}x{h1}, "
              f"{per_pixel * w2 * h2:.1f} ms at {w2}x{h2}; the rest {c1 - per_pixel * w1 * h1:.1f} ms a frame")


if __name__ == "__main__":
    main()
