#!/usr/bin/env python3
"""Start-up benchmark: time from starting the program to its main window shown (mapped) under
Xvfb, with 0, 1,000 and 10,000 tracks in the default profile, first start (no length cache)
and second start (with it), beside a bare toolkit window with a table of as many rows.

Usage: bench/startup/run.py [--runs R] [--counts 0,1000,10000]
Builds the program and the bare window without sanitizers (build-bench/, Release), makes the
length benchmark's 1,000 files (bench/lengths/make_media.sh) and names them as often as needed
(hard links, so 10,000 tracks are 10,000 distinct paths)."""
import argparse
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

BUILD = os.path.join(ROOT, "build-bench")


def build():
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release"]
                   + harness.compiler_launcher(), check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "tondrial", "bare_window", "tondrial_data", "-j2"],
                   check=True, stdout=subprocess.DEVNULL)


def media(count, base="/tmp/lengths-bench", names="/tmp/startup-bench"):
    subprocess.run([os.path.join(ROOT, "bench", "lengths", "make_media.sh"), base], check=True)
    files = sorted(f for f in os.listdir(base) if not f.startswith("."))
    os.makedirs(names, exist_ok=True)
    out = []
    for i in range(count):
        src = files[i % len(files)]
        path = os.path.join(names, "%05d-%s" % (i, src))
        if not os.path.exists(path):
            os.link(os.path.join(base, src), path)
        out.append(path)
    return out


def time_to_window(desk, start, title):
    """Seconds from start() to a visible window whose name matches title."""
    t0 = time.time()
    proc = start()
    try:
        while time.time() - t0 < 120:
            if desk.xdotool("search", "--onlyvisible", "--name", title):
                return time.time() - t0
            time.sleep(0.005)
        raise RuntimeError("no window " + title)
    finally:
        proc.kill()
        proc.wait()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--counts", default="0,1000,10000")
    args = ap.parse_args()
    counts = [int(c) for c in args.counts.split(",")]
    build()
    binary = os.path.join(BUILD, "bin", "tondrial")
    bare = os.path.join(BUILD, "bench", "bare_window")
    print("%8s %14s %14s %14s" % ("tracks", "first start s", "second start s", "bare window s"))
    with harness.Desktop() as desk:
        for n in counts:
            tracks = media(n)
            prog = harness.Program(binary, os.path.join(BUILD, "bin"))
            try:
                harness.write_settings(prog.folder)
                harness.write_playlist(prog.folder, *tracks)
                cache = os.path.join(prog.folder, "Lengths.cache")
                start = lambda: prog.start(desk, "-portable")  # noqa: E731
                first, second = [], []
                for _ in range(args.runs):
                    if os.path.exists(cache):
                        os.remove(cache)
                    first.append(time_to_window(desk, start, "^Tondrial-Portable$"))
                    second.append(time_to_window(desk, start, "^Tondrial-Portable$"))
                bare_times = [time_to_window(desk, lambda: subprocess.Popen([bare, str(n)], env=desk.env),
                                             "^Bare window$") for _ in range(args.runs)]
            finally:
                prog.cleanup()
            print("%8d %14.3f %14.3f %14.3f" % (n, statistics.median(first), statistics.median(second),
                                                 statistics.median(bare_times)), flush=True)


if __name__ == "__main__":
    main()
