#!/usr/bin/env python3
"""What quillmoor-render's outputs cost, whole process and all, in one table.

For 1280x720 and 1920x1080, the same frames (--seed 1 --at "2026-12-24
00:00:00" --step 1) rendered four ways:

  render only    no output: the scene, Mesa and nothing else
  PNG sequence   --out DIR/%05d.png: every frame a file, synced and renamed
  PNG stream     --every 1 --out -: one PNG after another into a pipe
  raw stream     --format raw --every 1 --out -: RGB24 frames into a pipe

and for each: frames per second (wall clock), CPU seconds per frame (user and
system, every thread of the renderer), and bytes per picture. The four ways
take turns, --runs times (default 3), and each way's fastest run counts,
since on a machine shared with other work the slow runs measure the others.

    bench/render_outputs.py [--frames N] [--runs N] [--renderer PATH] [--compression fast|better|best]

The renderer defaults to build/linux/quillmoor-render beside this script's
folder; give another one to compare builds. A way the renderer does not know
(an older build without --format) shows as n/a.
"""

import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

SIZES = ["1280x720", "1920x1080"]
MOMENT = ["--seed", "1", "--at", "2026-12-24 00:00:00", "--step", "1"]


def run(command, to_pipe):
    """Runs `command`; returns (wall seconds, CPU seconds, bytes on standard
    output) or None when it fails."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.PIPE if to_pipe else subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    streamed = 0
    if to_pipe:
        while chunk := process.stdout.read(1 << 20):
            streamed += len(chunk)
    status = process.wait()
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return (wall, cpu, streamed) if status == 0 else None


def measure(renderer, size, frames, compression, runs):
    base = [renderer, "--size", size, "--frames", str(frames)] + MOMENT
    png = ["--compression", compression] if compression else []
    rows = []
    folder = tempfile.mkdtemp(prefix="quillmoor-bench-")
    try:
        ways = [
            ("render only", base, False),
            ("PNG sequence", base + png + ["--out", os.path.join(folder, "%05d.png")], False),
            ("PNG stream", base + png + ["--every", "1", "--out", "-"], True),
            ("raw stream", base + ["--format", "raw", "--every", "1", "--out", "-"], True),
        ]
        results = {name: [] for name, _, _ in ways}
        for _ in range(runs):
            for name, command, to_pipe in ways:
                results[name].append(run(command, to_pipe))
        for name, _, _ in ways:
            result = None if None in results[name] else min(results[name])
            if result is None:
                rows.append((size, name, None, None, None))
                continue
            wall, cpu, streamed = result
            if name == "PNG sequence":
                streamed = sum(entry.stat().st_size for entry in os.scandir(folder))
            rows.append((size, name, frames / wall, cpu / frames, streamed / frames if streamed else None))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--frames", type=int, default=60)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--renderer", default=os.path.join(here, "..", "build", "linux", "quillmoor-render"))
    parser.add_argument("--compression", choices=["fast", "better", "best"],
                        help="the PNGs' compression (default: the renderer's own)")
    options = parser.parse_args()
    print(f"{options.renderer}, {options.frames} frames a run, the fastest of {options.runs} runs")
    print(f"{'size':<10} {'output':<13} {'frames/s':>9} {'CPU ms/frame':>13} {'bytes/picture':>14} {'x render':>9}")
    for size in SIZES:
        rows = measure(options.renderer, size, options.frames, options.compression, options.runs)
        alone = rows[0][2]
        for size_, name, rate, cpu, size_bytes in rows:
            if rate is None:
                print(f"{size_:<10} {name:<13} {'n/a':>9}")
                continue
            print(f"{size_:<10} {name:<13} {rate:9.2f} {cpu * 1e3:13.1f} "
                  f"{(f'{size_bytes:,.0f}' if size_bytes else '-'):>14} {rate / alone:9.2f}")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
