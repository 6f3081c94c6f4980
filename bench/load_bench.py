"""The load of the load test and larger ones on one copy across the test LAN:
presence from many peers (spread over a few seconds, or as fast as one host
can send them), browses and searches at once. Prints, for each load, the
presence datagrams dispatched per second, the longest main-thread stall,
the copy's peak RSS and CPU time, the datagrams its receive queue dropped,
and anything the load test would have failed.

    python3 bench/load_bench.py --build build
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "load"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "lan"))
from testlan import PROGRAM_TIMINGS, build_dir_from_args  # noqa: E402
import loadlan  # noqa: E402

LOADS = [
    ("the load test's", dict(peers=500, groups=50, browsers=20, searchers=20, files=400, presence_seconds=2.5)),
    ("500 peers at once", dict(peers=500, groups=50, browsers=20, searchers=20, files=400, presence_seconds=0)),
    ("2000 peers in 2 s", dict(peers=2000, groups=100, browsers=50, searchers=50, files=1000, presence_seconds=2)),
    ("2000 peers at once", dict(peers=2000, groups=100, browsers=50, searchers=50, files=1000, presence_seconds=0)),
]

build = build_dir_from_args()
rows = []
for title, load in LOADS:
    print("== %s: %s" % (title, " ".join("%s=%s" % kv for kv in load.items())), flush=True)
    failures, f = loadlan.run(build, log=lambda line: print("   " + line, flush=True), timings=PROGRAM_TIMINGS, **load)
    rows.append((title, f, failures))

print()
print("%-20s %10s %10s %9s %9s %8s %7s %6s" % ("load", "dispatched", "per s", "stall ms", "RSS MiB", "CPU s",
                                               "drops", "faults"))
for title, f, failures in rows:
    print("%-20s %10s %10.0f %9.1f %9.1f %8.2f %7s %6d" % (
        title, f.get("presence_dispatched", "-"), f.get("presence_dispatch_per_s", 0), f.get("longest_stall_ms", -1),
        f.get("peak_rss_mib", 0), f.get("cpu_s", 0), f.get("receive_drops", "-"), len(failures)))
