#!/usr/bin/env python3
"""The scene through the project's OpenGL 1.1 layer on the system's OpenGL ES 3
against the scene through the system's own OpenGL 1.1, both on Mesa in a
surfaceless pbuffer: the whole process's CPU per frame (llvmpipe's threads
included) at 1280x720 and 320x240, in alternating rounds (one program run of
each per size and round, the order swapped every round), with each round's
ratio and the ratio of the medians.

  bench/layer_vs_gl.py [BUILD_LINUX] [--rounds N]     (default build/linux, 7 rounds)"""
import argparse
import os
import statistics
import subprocess

# Timed and untimed frames per program run, by size.
SIZES = (("1280x720", 40, 10), ("320x240", 100, 20))


def run(program, size, frames, warm):
    out = subprocess.run([program, size, str(frames), str(warm)], check=True, capture_output=True, text=True).stdout
    words = out.split()
    return float(words[words.index("process_cpu_ms") + 1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", nargs="?", default="build/linux")
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()
    programs = {"gl": os.path.join(args.build, "quillmoor_bench_frames_gl"),
                "layer": os.path.join(args.build, "quillmoor_bench_frames_gl11")}
    print(f"load average at the start: {open('/proc/loadavg').read().split()[:3]}")
    results = {size: {"gl": [], "layer": []} for size, _, _ in SIZES}
    for r in range(args.rounds):
        for size, frames, warm in SIZES:
            order = ("gl", "layer") if r % 2 == 0 else ("layer", "gl")
            for which in order:
                results[size][which].append(run(programs[which], size, frames, warm))
            gl, layer = results[size]["gl"][-1], results[size]["layer"][-1]
            print(f"round {r + 1} {size}: OpenGL 1.1 {gl:.2f} ms, layer on ES 3 {layer:.2f} ms "
                  f"of process CPU a frame ({layer / gl:.2f} x)", flush=True)
    print(f"load average at the end: {open('/proc/loadavg').read().split()[:3]}")
    for size, _, _ in SIZES:
        gl, layer = (statistics.median(results[size][w]) for w in ("gl", "layer"))
        ratios = sorted(b / a for a, b in zip(results[size]["gl"], results[size]["layer"]))
        print(f"{size}: medians of {args.rounds} rounds: OpenGL 1.1 {gl:.2f} ms, layer on ES 3 {layer:.2f} ms "
              f"of process CPU a frame: {layer / gl:.2f} x (rounds' ratios {ratios[0]:.2f} to {ratios[-1]:.2f})")


if __name__ == "__main__":
    main()
