#!/usr/bin/python3
"""Cold start of tavrel to its first shown frame, and its peak memory, each as a ratio
to a bare Qt Widgets program showing an empty main window, measured in the same run.

    benchmarks/startup.py [--build DIR] [--runs N] [--platform offscreen|xvfb]

Runs alternate between the two programs so that both see the same machine load. The
time is wall time from spawning the process to the line it prints after its first
frame; the memory is the peak resident set of the process (wait4 rusage)."""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time


def run_once(cmd, env):
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    line = proc.stdout.readline()
    elapsed = (time.perf_counter() - start) * 1000.0
    proc.stdout.read()
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    if not line.startswith(b"first-frame-ms") or proc.returncode != 0:
        sys.exit(f"{cmd[0]} did not report its first frame (exit {proc.returncode})")
    return elapsed, usage.ru_maxrss  # kB on Linux


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(root, "build"))
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--platform", choices=["offscreen", "xvfb"], default="offscreen")
    args = ap.parse_args()

    tavrel = [os.path.join(args.build, "app", "tavrel"), "--quit-after-first-frame"]
    bare = [os.path.join(args.build, "benchmarks", "bare-window")]
    for exe in (tavrel[0], bare[0]):
        if not os.access(exe, os.X_OK):
            sys.exit(f"missing {exe}: build the targets tavrel and bare-window first")

    env = dict(os.environ)
    xvfb = None
    if args.platform == "xvfb":
        if not shutil.which("Xvfb"):
            sys.exit("Xvfb is not installed (apt-get install xvfb)")
        display = ":97"
        xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)
        env["DISPLAY"] = display
        env["QT_QPA_PLATFORM"] = "xcb"
    else:
        env["QT_QPA_PLATFORM"] = "offscreen"

    try:
        # One unmeasured run of each warms the page cache, so "cold" means a new
        # process, not a cold disk.
        run_once(tavrel, env)
        run_once(bare, env)
        t_times, t_mem, b_times, b_mem = [], [], [], []
        for _ in range(args.runs):
            t, m = run_once(tavrel, env)
            t_times.append(t)
            t_mem.append(m)
            t, m = run_once(bare, env)
            b_times.append(t)
            b_mem.append(m)
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()

    tm, bm = statistics.median(t_times), statistics.median(b_times)
    tr, br = statistics.median(t_mem), statistics.median(b_mem)
    print(f"platform {args.platform}, {args.runs} runs each, medians")
    print(f"first frame   tavrel {tm:7.1f} ms   bare {bm:7.1f} ms   ratio {tm / bm:.2f}")
    print(f"peak memory   tavrel {tr / 1024:7.1f} MB   bare {br / 1024:7.1f} MB   ratio {tr / br:.2f}")


if __name__ == "__main__":
    main()
