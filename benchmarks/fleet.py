#!/usr/bin/python3
"""Figures of the fleet collector (tavrel-cli collect) against simulated controllers that
deliver their replies at the real speed of the line (dorvik-sim --pace), each on its own
pseudo-terminal, publishing to Debian's mosquitto on loopback:

  - wall time of collecting one controller and of collecting 16 at once, in the same
    run, and their ratio (target at most 1.3);
  - the collector's maximum resident set size for 16 (target under 100 MB).

Each collection starts from an empty state directory, so every entry of each register
is published (256 messages per controller) and each settings reference is compared.

    benchmarks/fleet.py [--build DIR] [--runs N] [--count N]
"""

import argparse
import json
import os
import socket
import statistics
import subprocess
import sys
import tempfile
import time

SETTINGS = "12ff000165bd333d1565952fff060021"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def start_broker(workdir):
    port = free_port()
    config = os.path.join(workdir, "mosquitto.conf")
    with open(config, "w") as f:
        f.write(f"listener {port} 127.0.0.1\nallow_anonymous true\n")
    proc = subprocess.Popen(["mosquitto", "-c", config],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
            return proc, f"mqtt://127.0.0.1:{port}"
        except OSError:
            time.sleep(0.05)
    proc.kill()
    sys.exit("mosquitto did not start")


def start_sim(sim, workdir, index):
    link = os.path.join(workdir, f"dorvik{index}")
    proc = subprocess.Popen([sim, "--link", link, "--pace", "--quiet", "--factory-number",
                             str(3000 + index), "--settings", SETTINGS],
                            stdout=subprocess.PIPE, text=True)
    if proc.stdout.readline().strip() != link:
        proc.kill()
        sys.exit("dorvik-sim did not start")
    return proc, link


def reference(workdir, factory):
    """A settings file equal to the simulator's settings, combination 0."""
    path = os.path.join(workdir, f"{factory}.nst")
    code = 20
    with open(path, "wb") as f:
        f.write(bytes.fromhex(SETTINGS) + bytes(4) + factory.to_bytes(2, "little") +
                bytes([code, code ^ 0xFF]))
    return path


def collect(cli, workdir, broker, links):
    """Wall seconds and max RSS (MB) of one collection of `links`."""
    inventory = os.path.join(workdir, "inventory.json")
    with open(inventory, "w") as f:
        json.dump({"controllers": [
            {"name": f"Stacja {i}", "port": link, "factory": 3000 + i,
             "settings": reference(workdir, 3000 + i)}
            for i, link in links]}, f)
    state = tempfile.mkdtemp(dir=workdir)
    start = time.monotonic()
    proc = subprocess.Popen([cli, "collect", "--inventory", inventory, "--broker", broker,
                             "--state-dir", state, "--labels-dir", workdir],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"collect of {len(links)} ended with {os.waitstatus_to_exitcode(status)}")
    return seconds, usage.ru_maxrss / 1024


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(root, "build"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--count", type=int, default=16)
    args = parser.parse_args()
    sim = os.path.join(args.build, "sim", "dorvik-sim")
    cli = os.path.join(args.build, "cli", "tavrel-cli")

    with tempfile.TemporaryDirectory() as workdir:
        broker, url = start_broker(workdir)
        sims = [start_sim(sim, workdir, i) for i in range(args.count)]
        links = [(i, link) for i, (_, link) in enumerate(sims)]
        ones, manys, rss_one, rss_many = [], [], [], []
        try:
            for _ in range(args.runs):
                seconds, rss = collect(cli, workdir, url, links[:1])
                ones.append(seconds)
                rss_one.append(rss)
                time.sleep(0.5)
                seconds, rss = collect(cli, workdir, url, links)
                manys.append(seconds)
                rss_many.append(rss)
                time.sleep(0.5)
        finally:
            for proc, _ in sims:
                proc.terminate()
                proc.wait(timeout=10)
            broker.terminate()
            broker.wait(timeout=10)
        one, many = statistics.median(ones), statistics.median(manys)
        print(f"collect 1 controller: median {one:.2f} s, max RSS {max(rss_one):.1f} MB")
        print(f"collect {args.count} controllers: median {many:.2f} s, max RSS "
              f"{max(rss_many):.1f} MB (target under 100 MB)")
        print(f"ratio {many / one:.3f} over {args.runs} runs each (target at most 1.3)")


if __name__ == "__main__":
    main()
