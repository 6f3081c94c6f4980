"""Search fan-in on the test LAN: N computers answer one search of the copy
at once with full list datagrams, as the search answer spreads them (each
computer after a random 0 to 4 s, its datagrams 1.5 s apart). The copy's
receive queue is held to what Debian's default net.core.rmem_max
(212,992) grants. Prints, for each build, the share of rows shown, the
longest main-thread stall, the datagrams the kernel dropped, the bytes per
row (growth of the resident set over the rows shown; also over rows fed
straight to the views) and the peer tree's highlight time at 12,000 and
30,000 rows.

    python3 bench/fanin_bench.py --build build [--before OLD_BUILD]

OLD_BUILD is the build folder of an older tree with bench_fanin_probe
built (copy bench/fanin_probe.cpp and bench/fanin.cmake into its bench/).
"""
import os
import random
import sys
import threading
import subprocess
import shutil
import socket
import resource
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "load"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "lan"))
from testlan import PROGRAM_TIMINGS, TestLan  # noqa: E402
import loadlan  # noqa: E402

RMEM_MAX = 212992
LOADS = [(1000, 1), (2000, 3)]  # computers, full list datagrams each
HIGHLIGHT_ROWS = [12000, 30000]
SPREAD_S = 4.0
SPACING_S = 1.5
MAX_PAYLOAD = 4096 - 100


def list_datagrams(i, count):
    """count full list datagrams of computer i, and the entries they hold."""
    owner, ip = loadlan.computer_name(i), loadlan.peer_ip(i)
    datagrams, entries = [], 0
    for d in range(count):
        payload, n = b"", 0
        while True:
            e = ("Holiday photo %04d-%02d %03d.jpg;%d;휴가 사진 모음;C:\\공유\\사진\\앨범%d\\;%s;%s;;" % (
                i, d, n, 100000 + n * 37, d, owner, ip)).encode("cp949")
            if len(payload) + len(e) > MAX_PAYLOAD:
                break
            payload += e
            n += 1
        datagrams.append(loadlan.LIST_CODE + payload + loadlan.END_LIST)
        entries += n
    return datagrams, entries


class Probe:
    def __init__(self, host, binary):
        shutil.copy2(binary, host.folder + "bench_fanin_probe")
        self.proc = host.popen([host.folder + "bench_fanin_probe"], env={"QM_RCVBUF": str(RMEM_MAX)},
                               cwd=host.folder, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
        self.lines = []
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            with self.cond:
                self.lines.append(raw.decode("utf-8", "replace").strip())
                self.cond.notify_all()

    def ask(self, command, prefix, timeout=120):
        with self.cond:
            seen = len(self.lines)
        self.proc.stdin.write((command + "\n").encode())
        self.proc.stdin.flush()
        deadline = time.time() + timeout
        with self.cond:
            while True:
                for line in self.lines[seen:]:
                    if line.startswith(prefix):
                        return dict(zip(line.split()[::2], line.split()[1::2]))
                if time.time() > deadline or self.proc.poll() is not None:
                    return {}
                self.cond.wait(1)

    def wait_ready(self):
        deadline = time.time() + 30
        with self.cond:
            while "READY" not in self.lines and time.time() < deadline:
                self.cond.wait(1)
        return "READY" in self.lines


def fan_in(build, computers, each, log):
    binary = os.path.join(build, "bin", "bench_fanin_probe")
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < computers + 256:
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, computers + 1024), hard))
    rng = random.Random(5)
    figures = {}
    with TestLan(build, hosts=2, timings=PROGRAM_TIMINGS) as lan:
        copy, peers = lan.hosts
        loadlan.add_peer_addresses(peers, copy, computers)
        sockets, schedule, expected = [], [], 0
        for i in range(computers):
            s = peers.socket()
            s.bind((loadlan.peer_ip(i), loadlan.PORT))
            sockets.append(s)
            datagrams, entries = list_datagrams(i, each)
            expected += entries
            start = rng.uniform(0, SPREAD_S)
            schedule += [(start + k * SPACING_S, i, d) for k, d in enumerate(datagrams)]
        schedule.sort(key=lambda x: x[0])
        probe = Probe(copy, binary)
        if not probe.wait_ready():
            log("the copy did not start")
            return figures
        baseline = int(probe.ask("count", "ROWS").get("RSS", 0))
        probe.ask("search photo", "SEARCHING")
        t0 = time.time()
        for at, i, d in schedule:
            pause = t0 + at - time.time()
            if pause > 0:
                time.sleep(pause)
            sockets[i].sendto(d, (copy.ip, loadlan.PORT))
        # Until the list stops growing.
        last, counts = None, {}
        while True:
            time.sleep(2)
            counts = probe.ask("count", "ROWS")
            if not counts or counts.get("ROWS") == last:
                break
            last = counts.get("ROWS")
        rows = int(counts.get("ROWS", 0))
        figures.update(expected=expected, rows=rows, shown=100.0 * rows / max(1, expected),
                       bytes_per_row=(int(counts.get("RSS", 0)) - baseline) // max(1, rows),
                       stall_ms=float(counts.get("STALL_MS", -1)), stall_cpu_ms=float(counts.get("STALL_CPU_MS", -1)),
                       kernel_drops=counts.get("KERNEL_DROPS", "?"))
        if computers == LOADS[0][0]:
            for n in HIGHLIGHT_ROWS:
                h = probe.ask("highlight %d" % n, "HIGHLIGHT", timeout=600)
                figures["bytes_per_row_%d" % n] = int(h.get("BYTES_PER_ROW", -1))
                figures["highlight_all_ms_%d" % n] = float(h.get("ALL_MS", -1))
                figures["highlight_half_ms_%d" % n] = float(h.get("HALF_MS", -1))
        probe.proc.stdin.write(b"quit\n")
        probe.proc.stdin.flush()
        try:
            probe.proc.wait(30)
        except subprocess.TimeoutExpired:
            probe.proc.kill()
        for s in sockets:
            s.close()
    log("   " + " ".join("%s=%s" % kv for kv in sorted(figures.items())))
    return figures


def main():
    args = sys.argv[1:]
    builds = [("after", args[args.index("--build") + 1] if "--build" in args else "build")]
    if "--before" in args and args[args.index("--before") + 1]:
        builds.insert(0, ("before", args[args.index("--before") + 1]))
    results = {}
    for name, build in builds:
        for computers, each in LOADS:
            print("== %s: %d computers, %d full list datagram(s) each" % (name, computers, each), flush=True)
            results[(name, computers)] = fan_in(build, computers, each, lambda l: print(l, flush=True))

    names = [n for n, _ in builds]
    print()
    print("%-44s" % "figure" + "".join("%14s" % n for n in names))

    def row(title, key, computers, fmt):
        cells = []
        for n in names:
            v = results.get((n, computers), {}).get(key)
            cells.append("%14s" % ("-" if v is None else fmt % v))
        print("%-44s" % title + "".join(cells))

    for computers, each in LOADS:
        tag = "%d x %d" % (computers, each)
        row("rows expected, %s" % tag, "expected", computers, "%d")
        row("rows shown %%, %s" % tag, "shown", computers, "%.2f")
        row("longest main-thread stall ms, %s" % tag, "stall_ms", computers, "%.1f")
        row("  main thread's CPU ms within it, %s" % tag, "stall_cpu_ms", computers, "%.1f")
        row("kernel receive drops (cumulative), %s" % tag, "kernel_drops", computers, "%s")
        row("bytes per row shown, %s" % tag, "bytes_per_row", computers, "%d")
    for n in HIGHLIGHT_ROWS:
        row("bytes per row at %d rows" % n, "bytes_per_row_%d" % n, LOADS[0][0], "%d")
        row("highlight all rows ms at %d rows" % n, "highlight_all_ms_%d" % n, LOADS[0][0], "%.1f")
        row("highlight half the owners ms at %d" % n, "highlight_half_ms_%d" % n, LOADS[0][0], "%.1f")


if __name__ == "__main__":
    main()
