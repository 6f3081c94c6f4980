"""A copy on the test LAN serves a download to a scripted requester.

QM1 runs the copy under test, publishing one file record and one folder;
QM2 is the scripted requester; QM3 a stranger. Checks: the download request
is answered with the size ("@_+I"), an unpublished file with "@_+O"; the
start request is answered with the port ("@_+K"), and the file server then
delivers the file byte for byte (sha256) to QM2, from the start and resumed,
while it turns QM3 away."""
import hashlib
import os
import select
import socket
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
    content = os.urandom(5 * 1024 * 1024 + 123)
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

finish()
