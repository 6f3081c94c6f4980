"""A hostile owner on the test LAN, browsed and downloaded from by a real copy.

QM1 runs the copy under test (lanprobe_download, a real main window); QM2 is
a scripted owner. Its share list names paths meant to climb out of the
download folder ("..", absolute paths, "\\" and "/" tricks, ":" games, an
owner named ".."), and its file servers misbehave: one sends far more than
it announced, one never closes, one never sends, one never stops, one port
takes no connection, and one request is never answered; one "@_+K" of an
earlier attempt comes before the size, one names a size other than the
announced one, and one entry's owner address is no address. Checks: every row
ends in the state that fits, no file holds more than was announced, nothing
is written outside the download folder, the copy gets through it all
without hanging; no request goes to anything but a single host."""
import os
import select
import shutil
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, build_dir_from_args, check, finish  # noqa: E402

build = build_dir_from_args()
probe = os.path.join(build, "tests", "lanprobe_download")
COMPLETE, BROKEN, NO_ANSWER, CONNECT_FAILED = "전송완료", "전송끊김", "응답없음", "연결실패"



# name -> (announced size, what the file server does, expected state, expected bytes on disk)
SERVERS = {
    "flood.bin": (1000, "flood", COMPLETE, 1000),
    "open.bin": (2000, "open", COMPLETE, 2000),
    "silent.bin": (3000, "silent", BROKEN, 0),
    "endless.bin": (4000, "endless", COMPLETE, 4000),
    "closed.bin": (10, "closed", CONNECT_FAILED, None),
    "mute.bin": (10, "mute", NO_ANSWER, None),
    # a "@_+K" of an earlier attempt, sent before this attempt's "@_+I", whose server sends other bytes
    "stale.bin": (3000, "normal", COMPLETE, 3000),
    # "@_+K" names a size other than the one of "@_+I"
    "mismatch.bin": (10, "normal", NO_ANSWER, None),
}
# An entry whose owner address is no address: inet_addr would make it the broadcast address.
CRAFTED_IP = "owner.lan"
# (folder, name) of entries meant to lead out of the download folder.
TRAVERSAL = [("/srv/", "../../escape1"), ("/srv/", ".."), ("/srv/", "."), ("/srv/", "/etc/escape2"),
             ("/srv/", "a\\..\\..\\escape3"), ("/../../../", "ok1"), ("C:\\..\\..\\", "ok2"),
             ("..\\..\\", "ok3"), ("/.:./.:./", "ok4"), ("\\\\server\\share\\..\\", "ok5"),
             ("/srv/../../", "ok6"), ("D:", "ok7")]


def entry(folder, name, size, ip, owner="BAD"):
    return ";".join([name, str(size), "", folder, owner, ip, ""]) + ";"


with TestLan(build, hosts=2) as lan:
    qm1, qm2 = lan.hosts
    shutil.copy2(probe, qm1.folder + "lanprobe_download")
    sandbox = os.path.join(qm1.root, "sandbox")
    down = os.path.join(sandbox, "down")
    os.makedirs(down)

    udp = qm2.socket()
    udp.bind(("0.0.0.0", 8765))
    stop = threading.Event()
    held = []  # connections the misbehaving servers keep open
    sizes = dict((n, s[0]) for n, s in SERVERS.items())
    entries = [entry("/srv/", n, s, qm2.ip) for n, s in sizes.items()]
    entries += [entry(f, n, 10, qm2.ip) for f, n in TRAVERSAL]
    entries += [entry("/srv/", "ok8", 10, qm2.ip, owner=".."), entry("/srv/", "ok9", 10, qm2.ip, owner="/")]
    entries.append(entry("/srv/", "crafted.bin", 10, CRAFTED_IP))
    requested = []  # names the owner was asked for
    listed = len(entries)

    def serve(conn, how, size):
        try:
            if how == "flood":
                conn.sendall(b"F" * (5 << 20))
                conn.close()
            elif how == "open":
                conn.sendall(b"O" * size)
                held.append(conn)
            elif how == "silent":
                held.append(conn)
            elif how == "stale":
                conn.sendall(b"X" * size)
                conn.close()
            elif how == "endless":
                while not stop.is_set():
                    conn.sendall(b"E" * 65536)
            else:
                conn.sendall(b"n" * size)
                conn.close()
        except OSError:
            pass

    def file_server(how, size):
        s = qm2.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.bind(("0.0.0.0", 0))
        port = s.getsockname()[1]
        if how == "closed":
            s.close()
            return port
        s.listen(1)

        def run():
            s.settimeout(15)
            try:
                conn, _ = s.accept()
            except OSError:
                return
            finally:
                s.close()
            serve(conn, how, size)

        threading.Thread(target=run, daemon=True).start()
        return port

    def owner():
        while not stop.is_set():
            if not select.select([udp], [], [], 0.2)[0]:
                continue
            data, (src, _) = udp.recvfrom(70000)
            text = data.decode("cp949", "replace")
            fields = text.split(";")
            if text.startswith("@_+L"):
                udp.sendto(("@_+G;" + "".join(entries) + "#END_LIST#").encode("cp949"), (src, 8765))
            elif text.startswith("@_+S") and len(fields) >= 4:
                path = fields[3]
                name = path.rsplit("/", 1)[-1].rsplit("\\", 1)[-1]
                requested.append(name)
                if name == "mute.bin":
                    continue
                if name == "stale.bin":
                    stale = file_server("stale", sizes[name])
                    udp.sendto(("@_+K;%d;%s;%d;" % (stale, path, sizes[name])).encode("cp949"), (src, 8765))
                udp.sendto(("@_+I;%s;%d" % (path, sizes.get(name, 10))).encode("cp949"), (src, 8765))
            elif text.startswith("@_+R") and len(fields) >= 4:
                path = fields[2]
                name = path.rsplit("/", 1)[-1].rsplit("\\", 1)[-1]
                size = sizes.get(name, 10)
                how = SERVERS[name][1] if name in SERVERS else "normal"
                port = file_server(how, size)
                told = 10 ** 12 if name == "mismatch.bin" else size
                udp.sendto(("@_+K;%d;%s;%d;" % (port, path, told)).encode("cp949"), (src, 8765))

    t = threading.Thread(target=owner, daemon=True)
    t.start()
    started = time.time()
    r = qm1.run([qm1.folder + "lanprobe_download"], cwd=qm1.folder, timeout=150,
                env={"QM_OWNERS": qm2.ip, "QM_ROWS": str(listed), "QM_CHOOSE": "node:BAD", "QM_TARGET": down,
                     "QM_LIMIT_MS": "90000"})
    took = time.time() - started
    stop.set()
    for c in held:
        c.close()
    check(r.returncode == 0, "probe ended with %d: %s %s" % (r.returncode, r.stdout[-800:], r.stderr[-800:]))
    check("ELAPSED" in r.stdout, "the queue never ran to its end: %s" % r.stdout[-800:])
    rows = {}
    for line in r.stdout.splitlines():
        if line.startswith("ROW "):
            state, size, received, path = line[4:].split("|")
            rows[path] = (state, size, received)
    print("%d rows in %.1f s" % (len(rows), took))

    for name, (announced, how, state, on_disk) in SERVERS.items():
        path = os.path.join(down, "BAD", "srv", name)
        got = rows.get(path)
        if not check(got is not None, "no row for %s: %s" % (name, sorted(rows))):
            continue
        check(got[0] == state, "%s (%s) ended %r, expected %r" % (name, how, got[0], state))
        if on_disk is not None:
            size = os.path.getsize(path) if os.path.exists(path) else -1
            check(size == on_disk, "%s holds %d bytes, expected %d" % (name, size, on_disk))
    stale = os.path.join(down, "BAD", "srv", "stale.bin")
    if os.path.exists(stale):
        with open(stale, "rb") as f:
            check(b"X" not in f.read(), "stale.bin holds the bytes of an earlier attempt's file server")
    crafted = rows.get(os.path.join(down, "BAD", "srv", "crafted.bin"))
    check(crafted is not None and crafted[0] == CONNECT_FAILED, "crafted.bin: %s" % (crafted,))
    check("crafted.bin" not in requested, "a request for crafted.bin reached the LAN")
    for path in rows:
        check(path.startswith(down + "/") and "/../" not in path + "/", "row saves to %s" % path)
    written = []
    for base, _, names in os.walk(sandbox):
        written += [os.path.join(base, n) for n in names]
    for path in written:
        check(path.startswith(down + "/"), "written outside the download folder: %s" % path)
        check(os.path.getsize(path) <= 4000, "%s holds %d bytes" % (path, os.path.getsize(path)))
    traversal_rows = [p for p in rows if os.path.basename(p).startswith("ok")]
    check(len(traversal_rows) == 7, "rows of the traversal entries: %s" % sorted(traversal_rows))
    for path in traversal_rows:
        check(rows[path][0] == COMPLETE and os.path.getsize(path) == 10, "%s: %s" % (path, rows[path]))

finish()
