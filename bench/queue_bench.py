"""The download queue under a long list: queue_bench (the real download
window, its sends recorded) in a network namespace of its own with only
loopback, for this build and, with --before, for an older one; prints each
figure beside its goal.

    python3 bench/queue_bench.py --build build [--before OLD_BUILD] [--mib 1024] [--rounds 6]

OLD_BUILD is the build folder of an older tree with queue_bench built (copy
bench/queue_bench.cpp and bench/queue.cmake into its bench/). Without it,
the figures measured before the queue kept its index are printed instead.
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
NETNS_RUN = os.path.join(HERE, "..", "tests", "netns-run.sh")

# name, caption, goal text, goal test or None, format
FIGURES = [
    ("ADD_S", "add 20,000 rows (download folder), s", "<= 0.5", lambda v: v <= 0.5, "%.3f"),
    ("MOVE_EVERY_OTHER_S", "move every other row down, s", "<= 0.1", lambda v: v <= 0.1, "%.3f"),
    ("MOVE_BLOCK_S", "move a block of 10,000 down, s", "<= 0.1", lambda v: v <= 0.1, "%.3f"),
    ("DELETE_EVERY_OTHER_S", "delete every other row (half), s", "<= 0.5", lambda v: v <= 0.5, "%.3f"),
    ("DELETE_BLOCK_S", "delete a block of 10,000 (half), s", "<= 0.5", lambda v: v <= 0.5, "%.3f"),
    ("PROGRESS_REPORT_US", "progress report, last of 30,000, us", "", None, "%.1f"),
    ("THROUGHPUT_1_MIBS", "transfer, 1 row queued, MiB/s", "", None, "%.0f"),
    ("THROUGHPUT_30000_MIBS", "transfer, 30,000 rows queued, MiB/s", "", None, "%.0f"),
    ("RATIO_30000_TO_1_PERCENT", "  30,000 rows against 1, round by round, %", ">= 95", lambda v: v >= 95, "%.1f"),
    ("MAIN_CPU_1_MS", "  main thread CPU in the transfer, 1 row, ms", "", None, "%.1f"),
    ("MAIN_CPU_30000_MS", "  main thread CPU in it, 30,000 rows, ms", "", None, "%.1f"),
]
# Measured before the queue kept its index, where no older build is given.
EARLIER = {"ADD_S": 4.0, "MOVE_EVERY_OTHER_S": 18.0, "DELETE_EVERY_OTHER_S": 6.0,
           "THROUGHPUT_1_MIBS": 84.0, "THROUGHPUT_30000_MIBS": 45.0, "RATIO_30000_TO_1_PERCENT": 53.6}


def option(name, default):
    args = sys.argv[1:]
    return args[args.index(name) + 1] if name in args and args[args.index(name) + 1] else default


def measure(build):
    """name -> (value, main-thread CPU seconds or None)"""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QM_BUILD_DIR=build,
               QM_MIB=option("--mib", "1024"), QM_ROUNDS=option("--rounds", "6"))
    with open("/proc/loadavg") as f:
        print("   load average %s" % " ".join(f.read().split()[:3]), flush=True)
    r = subprocess.run(["sh", NETNS_RUN, os.path.join(build, "bin", "queue_bench")], env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=3600)
    figures = {}
    for line in r.stdout.splitlines():
        words = line.split()
        if not words or not words[0].isupper():
            continue
        print("   " + line, flush=True)
        try:
            values = [float(w) for w in words[1:]]
        except ValueError:
            continue
        if values:
            figures[words[0]] = (values[0], values[1] if len(values) > 1 else None)
    if r.returncode != 0:
        print("   queue_bench ended %d" % r.returncode)
    return figures


def cell(figure, fmt):
    if figure is None:
        return "-"
    value, cpu = figure
    return fmt % value + ("" if cpu is None else " (%s)" % (fmt % cpu))


def main():
    builds = [("before", option("--before", ""))] if option("--before", "") else []
    builds.append(("after", option("--build", "build")))
    results = {}
    for name, build in builds:
        print("== %s: %s" % (name, build), flush=True)
        results[name] = measure(os.path.abspath(build))
    if len(builds) == 1:
        results = {"earlier": {k: (v, None) for k, v in EARLIER.items()}, "after": results["after"]}
    names = list(results)
    after = {k: v for k, (v, _) in results["after"].items()}
    print()
    print("Seconds are wall clock, with the main thread's CPU seconds in brackets.")
    print("%-40s%18s" % ("figure", "goal") + "".join("%18s" % n for n in names) + "   met")
    for key, caption, goal, met, fmt in FIGURES:
        cells = "".join("%18s" % cell(results[n].get(key), fmt) for n in names)
        verdict = "" if met is None or key not in after else ("yes" if met(after[key]) else "NO")
        print("%-40s%18s%s   %s" % (caption, goal, cells, verdict))


if __name__ == "__main__":
    main()
