#!/usr/bin/python3
"""Figures of the device link against the simulated controller delivering its replies at
the real speed of the line (dorvik-sim --pace), with the link on its real timers:

  - time to find the link ("Połącz" to "Nawiązano połączenie") with the controller
    answering at 19200 and at 4800 baud (targets 0.7 s and 2.8 s);
  - time of the event register read (16 blocks of 197 bytes at 2400 baud; the pacing
    allows about 19.2 s plus the status poll that starts the read), and its ratio to
    19.2 s, from the command and from the first block request;
  - CPU time of the tool's process while the link idles on status polls (target < 1 %
    of a core), from the process's own clock and from /proc/<pid>/stat;
  - the same find (at 19200 and 4800 baud) and register read through Debian's ser2net on
    loopback (rfc2217://127.0.0.1:PORT), each beside a run over the pseudo-terminal
    directly on the same simulator, and the ratio of the two (target within 1.05).

    benchmarks/link.py [--build DIR] [--runs N] [--idle SECONDS] [--remote]

--remote measures only the comparison through ser2net.
"""

import argparse
import os
import socket
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


def start_ser2net(workdir, device):
    """ser2net with an RFC 2217 accepter on loopback in front of `device`; its port name."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    config = os.path.join(workdir, "ser2net.yaml")
    with open(config, "w") as f:
        f.write(f"connection: &dorvik\n"
                f"  accepter: telnet(rfc2217),tcp,127.0.0.1,{port}\n"
                f"  connector: serialdev,{device},19200n81,local\n"
                f"  options:\n    kickolduser: true\n")
    proc = subprocess.Popen(["ser2net", "-n", "-c", config],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            time.sleep(0.2)  # the server closes the device of that connection
            return proc, f"rfc2217://127.0.0.1:{port}"
        except OSError:
            time.sleep(0.05)
    proc.kill()
    sys.exit("ser2net did not start")


def remote(sim, bench, workdir, runs):
    """Each measurement over the terminal and through ser2net in turn, on one simulator."""
    ratios = []
    for baud in (19200, 4800):
        proc, link = start_sim(sim, workdir, "--probe-baud", str(baud))
        server, url = start_ser2net(workdir, link)
        times = {link: [], url: []}
        for _ in range(runs):
            for port in (link, url):
                times[port].append(run_bench(bench, port, "find")["established-ms"] / 1000)
                time.sleep(0.3)
        stop(server)
        stop(proc)
        local, far = statistics.median(times[link]), statistics.median(times[url])
        ratios.append(far / local)
        print(f"find at {baud:5} baud: terminal median {local:.3f} s, ser2net median "
              f"{far:.3f} s (max {max(times[url]):.3f} s), ratio {far / local:.3f} "
              f"over {runs} runs each (target 1.05)")

    proc, link = start_sim(sim, workdir)
    server, url = start_ser2net(workdir, link)
    figures = {}
    for port in (link, url):
        figures[port] = run_bench(bench, port, "register")
        time.sleep(0.3)
    stop(server)
    stop(proc)
    local, far = figures[link]["register-ms"] / 1000, figures[url]["register-ms"] / 1000
    ratios.append(far / local)
    print(f"register read: terminal {local:.2f} s, ser2net {far:.2f} s, ratio "
          f"{far / local:.3f} (target 1.05); "
          f"{int(figures[url]['register-requests'])} requests through ser2net")
    return max(ratios)


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
    parser.add_argument("--remote", action="store_true")
    args = parser.parse_args()
    sim = os.path.join(args.build, "sim", "dorvik-sim")
    bench = os.path.join(args.build, "benchmarks", "link-bench")

    with tempfile.TemporaryDirectory() as workdir:
        if args.remote:
            remote(sim, bench, workdir, args.runs)
            return
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

        remote(sim, bench, workdir, args.runs)


if __name__ == "__main__":
    main()
