"""A copy on the test LAN serves a download to a scripted requester, and so
does a copy without windows.

QM1 runs the copy under test, publishing one file record and one folder;
QM2 is the scripted requester; QM3 a stranger. Checks: the download request
is answered with the size ("@_+I"), an unpublished file with "@_+O"; the
start request is answered with the port ("@_+K"), and the file server then
delivers the file byte for byte (sha256) to QM2, from the start and resumed,
while it turns QM3 away.

Then QM3 runs `quillmere-cli serve` publishing the same files: its answers to
browse, search and download requests are QM1's datagrams byte for byte (but
for the owner's name and address), and `quillmere-cli` on QM2 browses,
searches and fetches from both; a fetch cut in the middle resumes when run
again and gives the identical file."""
import hashlib
import os
import select
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, build_dir_from_args, check, finish, wait_for  # noqa: E402

build = build_dir_from_args()



def receive(sock, code, timeout=10):
    """The text of the next datagram with that code, or None."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        ready, _, _ = select.select([sock], [], [], max(0.0, deadline - time.time()))
        if not ready:
            break
        data, _ = sock.recvfrom(8192)
        if data.startswith(code.encode()):
            return data.decode("cp949")
    return None


def fetch(host, ip, port):
    """Every byte until the server closes, or None when the connection was refused or reset."""
    s = host.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.settimeout(10)
    try:
        s.connect((ip, port))
        chunks = []
        while True:
            c = s.recv(1 << 20)
            if not c:
                return b"".join(chunks)
            chunks.append(c)
    except OSError:
        return None
    finally:
        s.close()


with TestLan(build, hosts=3) as lan:
    owner, requester, stranger = lan.hosts
    shared = os.path.join(owner.root, "공유 자료")
    os.makedirs(shared)
    content = os.urandom(50 * 1024 * 1024 + 123)
    name = "보고서 \"최종\" v2.bin"
    with open(os.path.join(shared, name), "wb") as f:
        f.write(content)
    single = os.path.join(owner.root, "single.txt")
    with open(single, "wb") as f:
        f.write(b"one file record\n")
    with open(os.path.join(owner.root, "private.txt"), "wb") as f:
        f.write(b"not published\n")
    owner.write_shares([";%s;;;D" % shared, "%s/;single.txt;;;F" % owner.root])

    udp = requester.socket()
    udp.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    udp.bind(("0.0.0.0", 8765))
    owner.start_program()
    check(receive(udp, "@_&#", timeout=20) is not None, "the copy never announced itself")

    def ask(code, payload):
        udp.sendto(("%s;%s" % (code, payload)).encode("cp949"), (owner.ip, 8765))

    path = shared + "/" + name
    ask("@_+S", "QM2;QM1;" + path)
    check(receive(udp, "@_+I") == "@_+I;%s;%d" % (path, len(content)), "no size for the published file")
    ask("@_+S", "QM2;QM1;" + os.path.join(owner.root, "private.txt"))
    check(receive(udp, "@_+O") == "@_+O;", "an unpublished file was not refused")
    ask("@_+S", "QM2;QM1;" + single)
    check(receive(udp, "@_+I") == "@_+I;%s;16" % single, "no size for the file record")

    # The port counts every file server running on the owner's computer, also
    # those of other programs' tests: take the one the owner names.
    lowest = 9265 + int(requester.ip.split(".")[-1])
    for offset in (0, 1234567):
        ask("@_+R", "QM2;%s;%d" % (path, offset))
        ready = receive(udp, "@_+K")
        fields = ready.split(";") if ready else []
        port = int(fields[1]) if len(fields) == 5 and fields[1].isdigit() else 0
        check(port >= lowest and ready == "@_+K;%d;%s;%d;" % (port, path, len(content)), "start reply %r" % ready)
        if not port:
            continue
        check(fetch(stranger, owner.ip, port) in (None, b""), "the file server served another address")
        got = fetch(requester, owner.ip, port)
        want = hashlib.sha256(content[offset:]).hexdigest()
        have = hashlib.sha256(got).hexdigest() if got is not None else "nothing"
        check(have == want, "from %d: sha256 %s, expected %s" % (offset, have, want))
        # The server ends after its one transfer, so the next one can take the port.
        wait_for(lambda: fetch(stranger, owner.ip, port) is None, 5)

    # A copy without windows, publishing the same files, answers alike.
    stranger.write_shares([";%s;;;D" % shared, "%s/;single.txt;;;F" % owner.root])
    cli = stranger.popen([stranger.folder + "quillmere-cli", "serve"], stdout=subprocess.DEVNULL)
    check(receive(udp, "@_&#;@_&F;", timeout=20) is not None, "the headless copy never announced itself")

    def answers(request, codes=("@_+G", "@_+I", "@_+K")):
        """Every answer of QM1 and of the headless copy to request until both fall quiet, as QM1 would say it."""
        while select.select([udp], [], [], 0)[0]:
            udp.recvfrom(8192)
        got = {owner.ip: [], stranger.ip: []}
        for ip in got:
            udp.sendto(request.encode("cp949"), (ip, 8765))
        # A search is answered after a random delay of up to 4 s; an answer is
        # over when a second passes without a datagram of it (announcements go on).
        settle = time.time() + (4.5 if "@_+B" in request else 0)
        last = time.time()
        while True:
            left = max(settle, last + 1.0) - time.time()
            if left <= 0 or not select.select([udp], [], [], left)[0]:
                return got[owner.ip], got[stranger.ip]
            data, (src, _) = udp.recvfrom(8192)
            if src in got and data[:4].decode() in codes:
                got[src].append(data.replace(stranger.name.encode(), owner.name.encode())
                                .replace(stranger.ip.encode(), owner.ip.encode()))
                last = time.time()

    for request in ("@_+L;", "@_&#;@_+B;보고서", "@_&#;@_+B;single", "@_+S;QM2;X;" + path):
        want, got = answers(request)
        check(want and got == want, "%s: the headless copy said %r, the windowed one %r" % (request, got, want))
    # The file server waits only a few seconds for its requester: connect at once.
    udp.sendto(("@_+R;QM2;%s;0" % path).encode("cp949"), (stranger.ip, 8765))
    ready = receive(udp, "@_+K")
    port = int(ready.split(";")[1]) if ready else 0
    got = fetch(requester, stranger.ip, port) if port else None
    check(got == content, "the headless copy's file server did not deliver the file (%r)" % ready)
    udp.close()

    # The client without windows, on QM2, against both.
    def client(*args, timeout=60):
        return requester.run([requester.folder + "quillmere-cli", *args], timeout=timeout)

    peers = client("peers", "--wait", "2")
    for h in (owner, stranger):
        check("%s\t%s" % (h.name, h.ip) in peers.stdout, "peers lacks %s: %r" % (h.name, peers.stdout))
    for who in (owner.name, stranger.ip):
        listed = client("browse", who)
        check(listed.returncode == 0 and path in listed.stdout and single in listed.stdout,
              "browse %s: %d %r %r" % (who, listed.returncode, listed.stdout, listed.stderr))
    found = client("search", "보고서", "--json", "--wait", "5")  # answers come up to 4 s late
    check(found.returncode == 0 and found.stdout.count(name.replace('"', '\\"')) == 2,
          "search: %d %r %r" % (found.returncode, found.stdout, found.stderr))
    nothing = client("browse", "10.77.0.99")
    check(nothing.returncode == 1 and nothing.stderr, "a browse nobody answers: %d %r" % (nothing.returncode, nothing.stderr))
    check(client("get").returncode == 2, "a get without its operands is not a usage error")
    taken = stranger.run([stranger.folder + "quillmere-cli", "peers"])
    check(taken.returncode == 3 and taken.stderr, "beside a running copy: %d %r" % (taken.returncode, taken.stderr))

    # A fetch cut in the middle (the link slowed so that there is a middle)
    # resumes when run again.
    target = os.path.join(requester.root, "got")
    local = os.path.join(target, name)
    subprocess.run(["ip", "netns", "exec", stranger.ns, "tc", "qdisc", "add", "dev", "eth0", "root",
                    "tbf", "rate", "100mbit", "burst", "64kb", "latency", "50ms"], check=True)
    cut = requester.popen([requester.folder + "quillmere-cli", "get", stranger.name, path, "--to", target],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: os.path.exists(local) and os.path.getsize(local) > len(content) // 4, 20)
    os.killpg(cut.pid, signal.SIGINT)
    check(cut.wait(20) == 1, "a cut fetch did not end with status 1")
    partial = os.path.getsize(local) if os.path.exists(local) else 0
    check(0 < partial < len(content), "the cut fetch left %d bytes" % partial)
    subprocess.run(["ip", "netns", "exec", stranger.ns, "tc", "qdisc", "del", "dev", "eth0", "root"], check=True)
    resumed = client("get", stranger.name, path, "--to", target)
    check(resumed.returncode == 0 and resumed.stdout.strip() == local, "get: %d %r" % (resumed.returncode, resumed.stderr))
    with open(local, "rb") as f:
        check(hashlib.sha256(f.read()).digest() == hashlib.sha256(content).digest(), "the resumed file differs")
    fresh = client("get", owner.name, single, "--to", target, "--overwrite")
    check(fresh.returncode == 0, "get from the windowed copy: %r" % fresh.stderr)

    os.killpg(cli.pid, signal.SIGTERM)
    check(cli.wait(20) == 0, "quillmere-cli serve did not end cleanly on SIGTERM")

finish()
