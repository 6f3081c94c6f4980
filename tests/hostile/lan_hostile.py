"""A hostile peer against a real copy on the test LAN.

QM1 runs the copy under test; QM2 is a scripted peer that sends what a
hostile copy would; QM3 forges source addresses and plays an honest peer.
Checks:
- download and start requests for files outside the shares, for paths that
  climb out of a shared folder ("..", links) and for unshared subfolders are
  refused with "@_+O", no file server is started for them and no port opens;
  a published file is still served (so the refusals mean something), and
  start requests sent again and again start no more file servers than the
  limit lets run;
- datagrams of every command code and of every broadcast sub-command, cut
  short, stuffed with empty or binary fields, of exactly 4096 bytes and far
  beyond it, leave the copy up, and a browse afterwards lists exactly what
  it listed before;
- floods of 10,000 chat lines, of unasked refusals and no-shares replies,
  and of 10,000 search requests leave it up and answering a browse at once,
  with its memory bounded;
- a published file swapped for a FIFO or a link to a private file after
  its check is refused, and swapped back and forth during the starts, only
  the published file is ever served;
- floods from forged addresses (a raw socket on a third host): browse
  requests at once and padded, searches, start requests that take every
  file-server slot, download requests at 500 a second, and list datagrams
  nobody asked for; meanwhile an honest peer gets a browse answer and
  "@_+K" within 5 s, at most six file servers run, and the memory stays
  bounded;
- after all of it a clean close, with thousands of answers to forged
  addresses still waiting, ends with status 0 and keeps Quillmere.ini's
  share records."""
import os
import select
import signal
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, build_dir_from_args, check, finish, rss_kib, sanitized, wait_for  # noqa: E402
from hostilepeer import Forger, Honest, PeakRss, fetch_file, forged_ip  # noqa: E402

build = build_dir_from_args()
CODES = ["@_&#", "@_+G", "@_+L", "@_+N", "@_+S", "@_+O", "@_+V", "@_+M", "@_+I",
         "@_+R", "@_+K", "@_*J", "@_*T", "@_*C", "@_*V", "@_*I", "@_*X"]
SUBS = ["@_&F", "@_+B"]





def ini_records(path):
    with open(path, "rb") as f:
        text = f.read().decode("cp949")
    lines = [l.strip() for l in text.splitlines()]
    start = lines.index("[SHAREFILE]") + 1 if "[SHAREFILE]" in lines else len(lines)
    records = []
    for l in lines[start:]:
        if l.startswith("["):
            break
        if "=" in l:
            records.append(l.split("=", 1)[1])
    return sorted(records)


with TestLan(build, hosts=3) as lan:
    qm1, qm2, evil = lan.hosts
    pub = os.path.join(qm1.root, "pub")
    pubdir = os.path.join(qm1.root, "pubdir")
    secret = os.path.join(qm1.root, "secret")
    for d in (pub, os.path.join(pubdir, "sub"), secret):
        os.makedirs(d)
    files = {os.path.join(pub, "shared.txt"): b"s" * 10, os.path.join(pub, "unshared.txt"): b"u" * 11,
             os.path.join(pubdir, "a.txt"): b"a" * 100, os.path.join(pubdir, "sub", "b.txt"): b"b" * 12,
             os.path.join(secret, "secret.txt"): b"SECRET" * 7}
    for path, data in files.items():
        with open(path, "wb") as f:
            f.write(data)
    os.symlink(os.path.join(secret, "secret.txt"), os.path.join(pubdir, "leak.txt"))
    os.symlink(secret, os.path.join(pubdir, "leakdir"))
    os.symlink("a.txt", os.path.join(pubdir, "alias.txt"))  # stays inside the shared folder
    # A list long enough that each browse answer takes several datagrams.
    bulk = os.path.join(qm1.root, "bulk")
    os.makedirs(bulk)
    for i in range(1500):
        with open(os.path.join(bulk, "bulk file with a longish name %04d.dat" % i), "wb") as f:
            f.write(b"b" * i)
    records = ["%s/;shared.txt;;;F" % pub, ";%s;;;D" % pubdir, ";%s;;;D" % bulk]
    ini = qm1.folder + "Quillmere.ini"
    with open(ini, "wb") as f:
        f.write(("[SHAREFILE]\r\n" + "".join("%d=%s\r\n" % (i, r) for i, r in enumerate(records))).encode("cp949"))
    want_records = ini_records(ini)

    udp = qm2.socket()
    udp.bind(("0.0.0.0", 8765))
    udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
    proc = qm1.start_program()

    def send(data):
        udp.sendto(data if isinstance(data, bytes) else data.encode("cp949"), (qm1.ip, 8765))

    def drain():
        while select.select([udp], [], [], 0)[0]:
            udp.recvfrom(70000)

    def receive(code, timeout=5):
        deadline = time.time() + timeout
        while True:
            left = deadline - time.time()
            if left <= 0 or not select.select([udp], [], [], left)[0]:
                return None
            data, _ = udp.recvfrom(70000)
            # "@_+" means any answer but the list datagrams that still stream in.
            if data.startswith(code.encode()) and not (code == "@_+" and data.startswith(b"@_+G")):
                return data.decode("cp949")

    def browse(timeout=5):
        """The entries (folder, name, size) of the first datagram of a browse answer, or None."""
        drain()
        send("@_+L;")
        # Later datagrams of earlier answers may still come: the first of an answer begins the list.
        text = receive("@_+G;shared.txt;", timeout)
        if text is None:
            return None
        fields = text[5:].split(";")
        entries = set()
        while len(fields) >= 7 and fields[0] != "#END_LIST#":
            entries.add((fields[3], fields[0], fields[1]))
            fields = fields[7:]
        return entries

    baseline = wait_for(lambda: browse(1), 20, interval=0.2)
    check(baseline is not None, "the copy never answered a browse")
    baseline = baseline or set()
    pid = next(iter(qm1.pids_of("quillmere")), 0)
    check(pid > 0, "no program process")
    check(("%s/" % pubdir, "a.txt", "100") in baseline, "the published folder is not listed: %s" % sorted(baseline))
    check(not any(name == "leak.txt" for _, name, _ in baseline), "a link out of the shares is listed")

    # Requests for what is not published: every one refused, no server started.
    refused = [os.path.join(secret, "secret.txt"), os.path.join(pub, "unshared.txt"),
               pubdir + "/../secret/secret.txt", pub + "/../secret/secret.txt", pubdir + "/sub/b.txt",
               pubdir + "/leak.txt", pubdir + "/leakdir/secret.txt", pubdir + "/./a.txt", pubdir + "//a.txt",
               pubdir + "/sub/../a.txt", pubdir, pubdir + "/", "a.txt", "../secret/secret.txt", "",
               pubdir + "\\..\\..\\secret\\secret.txt", "/etc/passwd", "/proc/self/environ", pubdir + "/.."]
    servers_before = set(qm1.pids_of("Vellicor"))
    for path in refused:
        drain()
        send("@_+S;EVIL;QM1;" + path)
        got = receive("@_+", 3)
        check(got == "@_+O;", "download request for %r answered %r" % (path, got))
        send("@_+R;EVIL;%s;0" % path)
        got = receive("@_+", 3)
        check(got == "@_+O;", "start request for %r answered %r" % (path, got))
    started = set(qm1.pids_of("Vellicor")) - servers_before
    check(not started, "file servers started for refused paths: %s" % started)
    port = 9265 + int(qm2.ip.split(".")[-1])
    for p in range(port, port + 7):
        t = qm2.socket(socket.AF_INET, socket.SOCK_STREAM)
        t.settimeout(2)
        check(t.connect_ex((qm1.ip, p)) != 0, "port %d takes a connection after refusals" % p)
        t.close()
    for path, size in ((os.path.join(pub, "shared.txt"), 10), (pubdir + "/a.txt", 100), (pubdir + "/alias.txt", 100)):
        drain()
        send("@_+S;EVIL;QM1;" + path)
        got = receive("@_+", 3)
        check(got == "@_+I;%s;%d" % (path, size), "published %r answered %r" % (path, got))
    drain()
    send("@_+R;EVIL;%s/a.txt;0" % pubdir)
    ready = receive("@_+K", 5)
    check(ready is not None and ready.endswith(";%s/a.txt;100;" % pubdir), "a published file is not served: %r" % ready)
    if ready:
        t = qm2.socket(socket.AF_INET, socket.SOCK_STREAM)
        t.settimeout(5)
        t.connect((qm1.ip, int(ready.split(";")[1])))
        got = b""
        while True:
            c = t.recv(65536)
            if not c:
                break
            got += c
        t.close()
        check(got == b"a" * 100, "served %d bytes of a.txt" % len(got))

    # A requester that asks again and again, never connecting, holds no more
    # than its own two file servers: the other slots stay for everyone else.
    answers = []
    for i in range(14):
        drain()
        send("@_+S;EVIL;QM1;%s/a.txt" % pubdir)
        receive("@_+", 3)
        send("@_+R;EVIL;%s/a.txt;0" % pubdir)
        answers.append((receive("@_+", 5) or "none")[:4])
    running = qm1.pids_of("Vellicor")
    print("start requests answered %s; %d file servers running" % (",".join(answers), len(running)))
    check(len(running) <= 2, "%d file servers running after repeated requests" % len(running))
    # Servers of other programs on this machine count too, so only the first answer is sure.
    check(answers[0] == "@_+K" and set(answers) <= {"@_+K", "@_+M"}, "start requests answered %s" % answers)
    for p in running:
        os.kill(p, signal.SIGKILL)

    # Every code and sub-command, cut short, empty, binary, exactly 4096 bytes and oversized.
    def junk(code):
        c = code.encode()
        yield from (c[:1], c[:2], c[:3], c, c + b";", c + b";" * 12, c + b";\x00\x00;zz\x00",
                    c + b";\xff\xfe\x80;\x81\xff;\xa1", c + b";" + b"A" * (4091 - len(c) + 4),
                    c + b";" + b"B" * 5000, c + b";" + b";".join([b"9" * 25] * 6) + b";",
                    c + b";" + b"x;" * 2044, c + b";" + b"\xb0\xa1" * 30000)

    env = b"@_&#;"
    datagrams = [d for code in CODES if code != "@_&#" for d in junk(code)]
    for sub in SUBS + ["@_+L", "XXXX", "@_&"]:
        datagrams += [env + d for d in junk(sub)]
    datagrams += [b"@_&#", b"@_&#;", b"@_&#;;", b"\x00" * 4096, b"\xff" * 4097, b"@_&#;@_&F;" + b"W" * 4080,
                  b"@_&#;@_&F;;", b"@_&#;@_&F;G;", b"@_&#;@_+B;*.*", b"@_&#;@_+B;" + b"*" * 4000,
                  b"@_+K;9270;;;", b"@_+K;-1;" + pubdir.encode() + b"/a.txt;-5;", b"@_+I;;-1",
                  b"@_+R;EVIL;" + pubdir.encode() + b"/missing.txt;-1"]
    for i, d in enumerate(datagrams):
        send(d)
        if i % 20 == 19:
            time.sleep(0.02)
    # Search answers to the junk come up to 4 s late; they must not be taken for the browse answer.
    time.sleep(4.5)
    check(proc.poll() is None, "the copy ended after malformed datagrams (%s)" % proc.poll())
    after = wait_for(lambda: browse(2), 15, interval=0.2)
    check(after == baseline, "browse after malformed datagrams: %s, before %s" % (after, baseline))

    # Floods: chat lines, and answers nobody asked for.
    rss_start = rss_kib(pid)
    t0 = time.time()
    for n in range(10000):
        send("@_*I;EVIL;%s;flood line %d %s" % (qm2.ip, n, "가" * 40))
        if n % 20 == 19:
            time.sleep(0.002)
    for n in range(2000):
        send("@_*C;EVIL%d;%s" % (n, qm2.ip) if n % 2 else "@_+N;")
        if n % 20 == 19:
            time.sleep(0.002)
    # Search requests: each answer waits up to 4 s on a worker of its own.
    for n in range(10000):
        send("@_&#;@_+B;zz%d" % n)
        if n % 20 == 19:
            time.sleep(0.002)
    sent_for = time.time() - t0
    time.sleep(1)  # what still fills the copy's receive queue would drop the browse request
    t1 = time.time()
    after = wait_for(lambda: browse(2), 5, interval=0.2)
    answered_in = time.time() - t1
    check(proc.poll() is None, "the copy ended during the floods (%s)" % proc.poll())
    check(after == baseline, "browse after the floods: %s" % after)
    rss_end = rss_kib(pid)
    print("floods sent in %.1f s, answered a browse %.1f s later; RSS %d -> %d KiB"
          % (sent_for, answered_in, rss_start, rss_end))
    check(sanitized(build) or rss_end - rss_start < 60 * 1024, "memory grew by %d KiB during the floods" % (rss_end - rss_start))

    # The file served is the file checked. A local user swaps the published
    # file for a FIFO or for a link to a private file between the download
    # request and the start request: refused, and no file server starts or
    # hangs for it. Then a swap back and forth without pause during the
    # starts: what is served is only ever the published file.
    swap = os.path.join(pubdir, "swap.txt")
    secret_file = os.path.join(secret, "secret.txt")

    def put(kind):
        tmp = swap + ".tmp"
        if kind == "file":
            with open(tmp, "wb") as f:
                f.write(b"w" * 20)
        elif kind == "fifo":
            os.mkfifo(tmp)
        else:
            os.symlink(secret_file, tmp)
        os.replace(tmp, swap)

    servers_before = set(qm1.pids_of("Vellicor"))
    for kind in ("fifo", "link"):
        put("file")
        drain()
        send("@_+S;EVIL;QM1;" + swap)
        check(receive("@_+", 3) == "@_+I;%s;20" % swap, "the file to swap is not offered")
        put(kind)
        send("@_+R;EVIL;%s;0" % swap)
        got = receive("@_+", 5)
        check(got == "@_+O;", "start request for a file swapped for a %s answered %r" % (kind, got))
    time.sleep(0.5)
    started = set(qm1.pids_of("Vellicor")) - servers_before
    check(not started, "file servers started for swapped files: %s" % started)
    swapping = threading.Event()

    def swapper():
        while not swapping.is_set():
            put("file")
            put("link")

    threading.Thread(target=swapper, daemon=True).start()
    leaked = 0
    for i in range(30):
        drain()
        send("@_+R;EVIL;%s;0" % swap)
        ready = receive("@_+", 5)
        if ready and ready.startswith("@_+K"):
            leaked += b"SECRET" in fetch_file(qm2, qm1.ip, int(ready.split(";")[1]))
    swapping.set()
    check(leaked == 0, "a private file was served %d times while the published one was swapped" % leaked)

    # Floods from forged addresses. Meanwhile an honest peer gets a browse
    # answer and "@_+K" within 5 s (after the flood where the flood is of
    # browse requests themselves: a request lost among thousands is a lost
    # datagram), no more than six file servers ever run, and memory stays bounded.
    forger = Forger(evil, qm1)
    honest = Honest(evil, qm1)
    served = pubdir + "/a.txt"
    start = "@_+R;EVIL;%s;0" % served
    unasked = "@_+G;" + "".join("f%d.txt;1;;/x/;BAD;%s;;" % (i, qm2.ip) for i in range(40)) + "#END_LIST#"
    floods = [
        ("2000 browse requests at once", [(forged_ip(i), "@_+L;") for i in range(2000)], 0, False),
        ("30000 padded browse requests in 3 s", [(forged_ip(i), "@_+L;" + "x" * 1400) for i in range(30000)], 3, False),
        ("30000 searches in 6 s", [(forged_ip(i), "@_&#;@_+B;a") for i in range(30000)], 6, True),
        ("6 start requests from one address and 40 from 40",
         [(forged_ip(0), start)] * 6 + [(forged_ip(i), start) for i in range(1, 41)], 0, True),
        ("3000 download requests in 6 s", [(forged_ip(i), "@_+S;EVIL;QM1;" + served) for i in range(3000)], 6, True),
        ("10000 unasked list datagrams", [(qm2.ip, unasked)] * 10000, 3, True),
    ]
    most_servers = [0]
    watching = threading.Event()

    def watch_servers():
        while not watching.wait(0.05):
            most_servers[0] = max(most_servers[0], len(qm1.pids_of("Vellicor")))

    threading.Thread(target=watch_servers, daemon=True).start()
    for title, payloads, seconds, during in floods:
        rss = PeakRss(pid)
        flood = threading.Thread(target=forger.flood, args=(payloads, seconds))
        flood.start()
        if not during:
            flood.join()
        time.sleep(0.2)
        browsed = honest.browse_wait(5, "shared.txt")
        fetched = honest.download_wait(served, 5)
        flood.join()
        peak = rss.stop()
        print("%s: browse answered in %s s, @_+K in %s s, RSS %d -> %d KiB" % (title, browsed, fetched, rss.start, peak))
        check(browsed is not None, "%s: no browse answer within 5 s" % title)
        check(fetched is not None, "%s: no @_+K within 5 s" % title)
        check(sanitized(build) or peak - rss.start < 40 * 1024, "%s: memory grew by %d KiB" % (title, peak - rss.start))
        wait_for(lambda: not qm1.pids_of("Vellicor"), 10)  # the servers nobody connects to give up
    watching.set()
    check(most_servers[0] <= 6, "%d file servers ran at once" % most_servers[0])
    check(proc.poll() is None, "the copy ended during the forged floods (%s)" % proc.poll())

    # A clean close, also while thousands of answers from forged addresses
    # wait for their turn, and it keeps the share records.
    forger.flood([(forged_ip(i), "@_+L;") for i in range(2000)], 1)
    time.sleep(0.5)
    os.kill(proc.pid, signal.SIGTERM)
    try:
        code = proc.wait(20)
        check(code == 0, "the copy ended with %s after SIGTERM" % code)
    except Exception:
        check(False, "the copy did not close within 20 s of SIGTERM")
    check(ini_records(ini) == want_records, "Quillmere.ini after the close: %s" % ini_records(ini))

finish()
