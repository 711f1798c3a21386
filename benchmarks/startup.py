#!/usr/bin/python3
"""Cold start of tavrel to its first shown frame, and its peak memory, each as a ratio
to a bare Qt Widgets program showing an empty main window, measured in the same run.

    benchmarks/startup.py [--build DIR] [--runs N] [--platform offscreen|xvfb]

Runs alternate between the programs so that all see the same machine load. A second
yardstick, the bare window with a menu bar and a label ("bare+text"), shows what any
window with text pays for fonts and text drawing. The
time is wall time from spawning the process to the line it prints after its first
frame; the memory is the peak resident set of the process (wait4 rusage). The CPU time
(user + system, whole process) is less disturbed by other load on the machine than the
wall time."""

import argparse
import os
import re
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
    return elapsed, usage.ru_maxrss, (usage.ru_utime + usage.ru_stime) * 1000.0  # ms, kB, ms


def instructions(cmd, env):
    if not shutil.which("valgrind"):
        sys.exit("--instructions needs valgrind (apt-get install valgrind)")
    out = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + cmd,
                         env=env, capture_output=True, text=True)
    match = re.search(r"Collected : (\d+)", out.stderr)
    if not match:
        sys.exit(f"valgrind gave no count for {cmd[0]}")
    return int(match.group(1))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(root, "build"))
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--platform", choices=["offscreen", "xvfb"], default="offscreen")
    ap.add_argument("--instructions", action="store_true",
                    help="also count executed instructions with valgrind (exact, load-proof)")
    args = ap.parse_args()

    tavrel = [os.path.join(args.build, "app", "tavrel"), "--quit-after-first-frame"]
    bare = [os.path.join(args.build, "benchmarks", "bare-window")]
    text = bare + ["--text"]
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
        programs = {"tavrel": tavrel, "bare": bare, "bare+text": text}
        for cmd in programs.values():
            run_once(cmd, env)
        times = {name: [] for name in programs}
        mem = {name: [] for name in programs}
        cpu = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, cmd in programs.items():
                t, m, c = run_once(cmd, env)
                times[name].append(t)
                mem[name].append(m)
                cpu[name].append(c)
    finally:
        if xvfb:
            xvfb.terminate()
            xvfb.wait()

    if args.instructions:
        ir = {name: instructions(cmd, env) for name, cmd in programs.items()}
        print(f"instructions  tavrel {ir['tavrel'] / 1e6:.1f} M, bare {ir['bare'] / 1e6:.1f} M "
              f"(ratio {ir['tavrel'] / ir['bare']:.2f}), bare+text {ir['bare+text'] / 1e6:.1f} M "
              f"(ratio {ir['tavrel'] / ir['bare+text']:.2f})")

    t = {name: statistics.median(v) for name, v in times.items()}
    m = {name: statistics.median(v) / 1024 for name, v in mem.items()}
    c = {name: statistics.median(v) for name, v in cpu.items()}
    print(f"platform {args.platform}, {args.runs} runs each, medians")
    print(f"{'':12}{'tavrel':>10}{'bare':>10}{'ratio':>8}{'bare+text':>12}{'ratio':>8}")
    print(f"{'first frame':12}{t['tavrel']:8.1f}ms{t['bare']:8.1f}ms{t['tavrel'] / t['bare']:8.2f}"
          f"{t['bare+text']:10.1f}ms{t['tavrel'] / t['bare+text']:8.2f}")
    print(f"{'cpu time':12}{c['tavrel']:8.1f}ms{c['bare']:8.1f}ms{c['tavrel'] / c['bare']:8.2f}"
          f"{c['bare+text']:10.1f}ms{c['tavrel'] / c['bare+text']:8.2f}")
    print(f"{'peak memory':12}{m['tavrel']:8.1f}MB{m['bare']:8.1f}MB{m['tavrel'] / m['bare']:8.2f}"
          f"{m['bare+text']:10.1f}MB{m['tavrel'] / m['bare+text']:8.2f}")


if __name__ == "__main__":
    main()
