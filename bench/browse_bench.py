"""Browsing a share of 100,000 files between two copies on the test LAN.

QM1 runs a real copy that shares one folder of empty files (made here). QM2
browses it with the real main window (lanprobe_listing): the time from the
browse command until the status line says the list is complete, with every
row checked. Then a scripted requester on QM2 asks with the marker and times
the answer on the wire alone, counting its list datagrams; the paced answer
that an original requester gets is projected from that count (1.5 s apart).

    python3 bench/browse_bench.py --build build [--files 100000]
"""
import os
import select
import shutil
import socket
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "lan"))
from testlan import PROGRAM_TIMINGS, TestLan, build_dir_from_args  # noqa: E402


def option(name, default):
    args = sys.argv[1:]
    return int(args[args.index(name) + 1]) if name in args else default


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


build = build_dir_from_args()
files = option("--files", 100000)
probe = os.path.join(build, "tests", "lanprobe_listing")

with TestLan(build, hosts=2, timings=PROGRAM_TIMINGS) as lan:
    owner, requester = lan.hosts
    share = os.path.join(owner.root, "share")
    os.makedirs(share)
    names = ["file-%06d.txt" % i for i in range(files)]
    for n in names:
        open(os.path.join(share, n), "wb").close()
    owner.write_shares([";" + share + ";;;D"])
    owner.start_program()
    time.sleep(2)

    shutil.copy2(probe, requester.folder + "lanprobe_listing")
    env = {"QM_MODE": "browse", "QM_TARGET_IP": owner.ip, "QM_TARGET_NAME": owner.name}
    r = requester.run([requester.folder + "lanprobe_listing"], env=env, timeout=120, cwd=requester.folder)
    lines = r.stdout.splitlines()
    rows = [l[4:].split("|")[0] for l in lines if l.startswith("ROW ")]
    complete_ms = next((int(l[9:]) for l in lines if l.startswith("COMPLETE ")), -1)
    if r.returncode != 0 or complete_ms < 0:
        fail("the browse ended %d, complete %d: %s" % (r.returncode, complete_ms, r.stdout[-300:]))
    if sorted(rows) != names:
        fail("%d rows received, %d distinct, %d shared" % (len(rows), len(set(rows)), files))

    # The marked answer on the wire, read by a plain socket.
    s = requester.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
    s.bind(("0.0.0.0", 8765))
    start = time.monotonic()
    s.sendto(b"@_+L;QMF1", (owner.ip, 8765))
    lists, end, last = 0, None, start
    while end is None:
        ready, _, _ = select.select([s], [], [], 5)
        if not ready:
            break
        data, _ = s.recvfrom(8192)
        last = time.monotonic()
        if data.startswith(b"@_+G;"):
            lists += 1
        elif data.startswith(b"@_+E;"):
            end = int(data[5:])
    if end != lists:
        fail("end datagram announced %s list datagrams, %d came" % (end, lists))
    wire = last - start

print("shared files                    %8d (empty files, one folder)" % files)
print("list datagrams                  %8d" % lists)
print("marked browse, program to end   %8.1f s   (every row received: %d)" % (complete_ms / 1000.0, len(rows)))
print("marked answer, wire only        %8.1f s" % wire)
print("paced answer, projected         %8.1f s   (%d datagrams x 1.5 s)" % (lists * 1.5, lists))
print("speed-up                        %8.0f x" % (lists * 1.5 / (complete_ms / 1000.0)))
