"""Three copies on the test LAN, each in its own workgroup, started one after
another: each lists all three under the right groups within 2 seconds of the
last start (a copy answers a newcomer's announcement, so the newcomer need not
wait for the others' next broadcast), and a listener sees every broadcast
byte for byte, every 30 seconds.

Hosts with more than one address: QM2's hosts file names an address that no
interface of it holds, and it still runs with its LAN address. The copy under
test also has a second link to QM4, and announcements that come in over that
link or to its loopback address never enter its tree."""
import os
import shutil
import select
import socket
import struct
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, build_dir_from_args  # noqa: E402

build = build_dir_from_args()
probe = os.path.join(build, "tests", "lanprobe_presence")
groups = ["ALPHA", "BETA", "GAMMA"]

# The 30 s rhythm of announcements is measured here at its real length.
with TestLan(build, hosts=4, timings={"announce": None}) as lan:
    for h, g in zip(lan.hosts, groups):
        h.write_smb_conf("[global]\n   work group = %s\n" % g.lower())
    listener_host = lan.hosts[3]
    listener = listener_host.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    listener.setsockopt(socket.SOL_SOCKET, 29, 1)  # SO_TIMESTAMP: arrival times, however late it is read
    listener.bind(("0.0.0.0", 8765))
    lan.hosts[1].map_name("10.77.0.99")  # a stale line: no interface holds it

    # Strangers the copy under test must not list, announced until its tree is complete.
    side_ip, stranger_ip = lan.side_link(lan.hosts[0], listener_host)
    stranger = listener_host.socket()
    stranger.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    stranger.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, b"side0")
    stranger.bind((stranger_ip, 0))
    loopback = lan.hosts[0].socket()
    loopback.bind(("127.0.0.1", 0))
    strangers = [(stranger, "255.255.255.255", "SIDEB"), (stranger, side_ip, "SIDEU"), (loopback, "127.0.0.1", "LOOPY")]
    tree_done = threading.Event()

    def announce_strangers():
        for sock, to, name in strangers:
            sock.sendto(("@_&#;@_&F;DELTA;%s" % name).encode(), (to, 8765))

    announce_strangers()  # here, so that a send that cannot work fails the test

    def keep_announcing():
        while not tree_done.wait(0.2):
            announce_strangers()
    announcer = threading.Thread(target=keep_announcing)
    announcer.start()

    # Three copies, 1.5 s apart; the later ones stay on the LAN for the broadcasts below.
    expect = ",".join("%s/%s" % (g, h.name) for h, g in zip(lan.hosts, groups))
    probes, started = [], []
    for i, h in enumerate(lan.hosts[:3]):
        if i:
            time.sleep(1.5)
        shutil.copy(probe, h.folder)
        started.append(time.time())
        probes.append(h.popen([h.folder + "lanprobe_presence"], cwd=h.folder, stdout=subprocess.PIPE, text=True,
                              env={"QM_EXPECT": expect, "QM_LINGER_MS": "0" if i == 0 else "75000"}))
    want = sorted("%s/%s@%s" % (g, h.name, h.ip) for h, g in zip(lan.hosts, groups))
    for h, run in zip(lan.hosts, probes):
        out = ""
        for line in run.stdout:
            if line == "done\n":
                break
            out += line
        print(h.name, out)
        lines = [l for l in out.splitlines() if "/" in l]
        if sorted(lines) != want:
            print("FAIL: tree of %s %s, expected %s" % (h.name, lines, want))
            sys.exit(1)
        late = int(out.split("done_at=")[1].split()[0]) / 1000.0 - started[-1]
        if late > 2.0:
            print("FAIL: %s knew all three only %.1f s after the last start" % (h.name, late))
            sys.exit(1)
    probes[0].wait(timeout=30)
    tree_done.set()
    announcer.join()

    # The two running copies: every announcement exact, 30 s apart.
    seen = {}
    deadline = time.time() + 70
    while time.time() < deadline and not all(len(seen.get(h.ip, [])) >= 2 for h in lan.hosts[1:3]):
        ready, _, _ = select.select([listener], [], [], 1)
        if not ready:
            continue
        data, anc, _, (src, _) = listener.recvmsg(8192, 64)
        sec, usec = struct.unpack("qq", anc[0][2][:16])
        seen.setdefault(src, []).append((sec + usec / 1e6, data))
    for h, g in zip(lan.hosts[1:3], groups[1:3]):
        got = seen.get(h.ip, [])
        want = ("@_&#;@_&F;%s;%s" % (g, h.name)).encode()
        if len(got) < 2 or any(d != want for _, d in got):
            print("FAIL: announcements of %s: %r, expected %r" % (h.name, got, want))
            sys.exit(1)
        gap = got[1][0] - got[0][0]
        if not 28.5 <= gap <= 31.5:
            print("FAIL: %s announced %.1f s apart" % (h.name, gap))
            sys.exit(1)
print("ok")
