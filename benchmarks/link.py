#!/usr/bin/python3
"""Figures of the device link against the simulated controller delivering its replies at
the real speed of the line (dorvik-sim --pace), with the link on its real timers:

  - time to find the link ("Połącz" to "Nawiązano połączenie") with the controller
    answering at 19200 and at 4800 baud (targets 0.7 s and 2.8 s);
  - time of the event register read (16 blocks of 197 bytes at 2400 baud; the pacing
    allows about 19.2 s plus the status poll that starts the read), and its ratio to
    19.2 s, from the command and from the first block request;
  - CPU time of the tool's process while the link idles on status polls (target < 1 %
    of a core), from the process's own clock and from /proc/<pid>/stat.

    benchmarks/link.py [--build DIR] [--runs N] [--idle SECONDS]
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def start_sim(sim, workdir, *options):
    link = os.path.join(workdir, "dorvik")
    proc = subprocess.Popen([sim, "--link", link, "--pace", "--quiet", *options],
                            stdout=subprocess.PIPE, text=True)
    path = proc.stdout.readline().strip()
    if path != link:
        proc.kill()
        sys.exit("dorvik-sim did not start")
    return proc, link


def stop(proc):
    proc.terminate()
    proc.wait(timeout=10)


def proc_cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run_bench(bench, link, *mode):
    """Runs link-bench; returns its figures and the CPU seconds /proc saw it use after
    the link came online."""
    proc = subprocess.Popen([bench, "--port", link, *mode], stdout=subprocess.PIPE, text=True)
    figures, cpu_online = {}, None
    for line in proc.stdout:
        key, value = line.split()
        figures[key] = float(value)
        if key == "online-ms":
            cpu_online = proc_cpu_seconds(proc.pid)
        if key == "idle-requests":
            figures["proc-idle-cpu-s"] = proc_cpu_seconds(proc.pid) - cpu_online
    if proc.wait() != 0:
        sys.exit(f"link-bench {' '.join(mode)} failed ({proc.returncode})")
    return figures


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(root, "build"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=30.0)
    args = parser.parse_args()
    sim = os.path.join(args.build, "sim", "dorvik-sim")
    bench = os.path.join(args.build, "benchmarks", "link-bench")

    with tempfile.TemporaryDirectory() as workdir:
        for baud, target in ((19200, 0.7), (4800, 2.8)):
            times = []
            for _ in range(args.runs):
                proc, link = start_sim(sim, workdir, "--probe-baud", str(baud))
                times.append(run_bench(bench, link, "find")["established-ms"] / 1000)
                stop(proc)
                time.sleep(0.2)
            print(f"find at {baud:5} baud: median {statistics.median(times):.3f} s, "
                  f"max {max(times):.3f} s over {len(times)} runs (target {target} s)")

        proc, link = start_sim(sim, workdir)
        f = run_bench(bench, link, "register")
        stop(proc)
        seconds = f["register-ms"] / 1000
        blocks = f["register-blocks-ms"] / 1000
        print(f"register read: {seconds:.2f} s from the command ({seconds / 19.2:.3f} of 19.2 s), "
              f"{blocks:.2f} s from the first block ({blocks / 19.2:.3f} of 19.2 s), "
              f"{int(f['register-requests'])} requests")

        proc, link = start_sim(sim, workdir)
        f = run_bench(bench, link, "idle", str(args.idle))
        stop(proc)
        print(f"idle link: {f['idle-cpu-percent']:.3f} % of a core over {f['idle-s']:.0f} s "
              f"({f['idle-cpu-s']:.3f} s CPU, /proc: {f['proc-idle-cpu-s']:.2f} s), "
              f"{int(f['idle-requests'])} status polls")


if __name__ == "__main__":
    main()
