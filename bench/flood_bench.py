"""A hostile peer's floods against one copy on the test LAN, each from forged
source addresses. Prints, for each flood, how long an honest peer waits
meanwhile for a browse answer and for "@_+K", the most file servers seen
running, and the copy's peak RSS.

    python3 bench/flood_bench.py --build build
"""
import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "lan"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "load"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "hostile"))
from testlan import PROGRAM_TIMINGS, TestLan, build_dir_from_args  # noqa: E402
from loadlan import publish  # noqa: E402
from hostilepeer import Forger, Honest, PeakRss, file_servers, forged_ip, kill_file_servers  # noqa: E402

WAIT = 20


def floods(path, good):
    pad = "x" * 1400
    unasked = "@_+G;" + "".join("f%d.txt;1;;/x/;BAD;%s;;" % (i, good.ip) for i in range(40)) + "#END_LIST#"
    return [
        ("2000 browses at once", [(forged_ip(i), "@_+L;") for i in range(2000)], 0),
        ("20000 padded browses", [(forged_ip(i), "@_+L;" + pad) for i in range(20000)], 2),
        ("30000 searches in 6 s", [(forged_ip(i), "@_&#;@_+B;photo") for i in range(30000)], 6),
        ("6+40 start requests", [(forged_ip(0), "@_+R;EVIL;%s;0" % path)] * 6 +
         [(forged_ip(i), "@_+R;EVIL;%s;0" % path) for i in range(1, 41)], 0),
        ("3000 @_+S in 6 s", [(forged_ip(i), "@_+S;EVIL;QM1;%s" % path) for i in range(3000)], 6),
        ("10000 unasked lists", [(good.ip, unasked)] * 10000, 3),
    ]


build = build_dir_from_args()
rows = []
with TestLan(build, hosts=3, timings=PROGRAM_TIMINGS) as lan:
    qm1, evil, good = lan.hosts
    entries = publish(qm1, 400)
    path = entries[0][3] + entries[0][0]
    honest = Honest(good, qm1)
    forger = Forger(evil, qm1)
    # A fresh copy for each flood, so that one flood's backlog does not count against the next.
    for title, payloads, seconds in floods(path, good):
        proc = qm1.start_program()
        first = honest.list_start(30)
        pid = qm1.pids_of("quillmere")[0]
        rss = PeakRss(pid)
        most = [0]
        stop = threading.Event()

        def servers():
            while not stop.wait(0.05):
                most[0] = max(most[0], file_servers(qm1))

        watcher = threading.Thread(target=servers, daemon=True)
        watcher.start()
        flood = threading.Thread(target=forger.flood, args=(payloads, seconds))
        flood.start()
        time.sleep(0.3 if seconds else 0.1)
        browse = honest.browse_wait(WAIT, first)
        download = honest.download_wait(path, WAIT)
        flood.join()
        stop.set()
        watcher.join()
        rows.append((title, browse, download, most[0], rss.start / 1024, rss.stop() / 1024))
        print("%-24s browse %s  @_+K %s  servers %d  RSS %.0f -> %.0f MiB" % (
            title, *("%.2f s" % w if w is not None else ">%d s" % WAIT for w in rows[-1][1:3]), *rows[-1][3:]),
            flush=True)
        proc.kill()
        proc.wait()
        kill_file_servers(qm1)
        time.sleep(1)  # the receive port is free again

print()
print("%-24s %10s %10s %8s %14s" % ("flood", "browse s", "@_+K s", "servers", "RSS MiB"))
for title, browse, download, most, start, peak in rows:
    print("%-24s %10s %10s %8d %6.0f->%6.0f" % (title, "%.2f" % browse if browse is not None else ">%d" % WAIT,
                                                "%.2f" % download if download is not None else ">%d" % WAIT,
                                                most, start, peak))
