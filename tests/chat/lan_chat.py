"""Chat and ping between a real copy and scripted peers on the test LAN.

QM1 runs the copy under test (lanprobe_chat, a real main window driven by a
script); QM2 is a scripted peer on port 8765. Checks: the real copy asks QM2
for a chat, an acceptance forged from another address is ignored, QM2
accepts, lines with ";" go both ways and QM2 leaves; QM2 asks
the real copy three times, and the copy's dialog accepts, refuses, and is
cancelled; the copy pings QM2, which answers, and an address where no host is,
with each kind of ICMP socket."""
import os
import queue
import shutil
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "hostile"))
from testlan import TestLan, build_dir_from_args, check, failures  # noqa: E402
from hostilepeer import Forger, forged_ip  # noqa: E402

build = build_dir_from_args()
probe = os.path.join(build, "tests", "lanprobe_chat")
shots = os.environ.get("QM_SHOT_DIR", "")


class Probe:
    """The copy under test, with its printed events read as they come."""

    def __init__(self, host, env):
        shutil.copy2(probe, host.folder + "lanprobe_chat")
        if shots:
            os.makedirs(shots, exist_ok=True)
            env = dict(env, QM_SHOT=shots)
        self.p = host.popen([host.folder + "lanprobe_chat"], env=env, cwd=host.folder,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.p.stdout:
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def expect(self, prefix, timeout=30):
        """The next line that begins with prefix; None when the probe ends first."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                line = self.lines.get(timeout=max(0.1, deadline - time.time()))
            except queue.Empty:
                break
            if line is None:
                self.lines.put(None)  # finish() still waits for the end
                return None
            self.seen.append(line)
            if line.startswith("FAIL"):
                check(False, "probe: " + line)
            if line.startswith(prefix):
                return line[len(prefix):]
        check(False, "probe never printed %r (saw %r)" % (prefix, self.seen[-5:]))
        return None

    def finish(self, timeout=30):
        """Waits for the probe to end; every line it printed."""
        try:
            self.p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.p.kill()
            self.p.wait()
        while True:
            line = self.lines.get(timeout=10)
            if line is None:
                break
            self.seen.append(line)
        check(self.p.returncode == 0, "probe ended with %s: %r" % (self.p.returncode, self.seen[-5:]))
        return self.seen


class Peer:
    """A scripted copy: one socket on port 8765 of its host."""

    def __init__(self, host):
        self.host = host
        self.s = host.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        self.s.bind(("0.0.0.0", 8765))

    def send(self, ip, text):
        self.s.sendto(text.encode("cp949"), (ip, 8765))

    def receive(self, code, timeout=20, announce=None):
        """The next datagram with that code, as (sender, text); others are skipped.
        announce, when given, runs once a second meanwhile."""
        deadline = time.time() + timeout
        announced = 0
        while time.time() < deadline:
            if announce and time.time() - announced >= 1:
                announce()
                announced = time.time()
            self.s.settimeout(0.2 if announce else max(0.1, deadline - time.time()))
            try:
                data, (sender, _) = self.s.recvfrom(8192)
            except socket.timeout:
                continue
            text = data.decode("cp949", "replace")
            if sender != self.host.ip and text.startswith(code):
                return sender, text
        check(False, "no %s datagram" % code)
        return None, ""


def asking(lan, peer):
    qm1, qm2 = lan.hosts[0], lan.hosts[1]
    probe = Probe(qm1, {"QM_MODE": "ask", "QM_PEER_NAME": "QM2", "QM_LINE": "점심;먹으러 갈까요;지금"})
    probe.expect("STARTED ")
    sender, text = peer.receive("@_*J", announce=lambda: peer.send("10.77.0.255", "@_&#;@_&F;WG;QM2"))
    check((sender, text) == (qm1.ip, "@_*J;QM1;" + qm1.ip), "chat request %r from %r" % (text, sender))
    check(probe.expect("ASKED ") == qm2.ip, "asked the wrong address")
    # An acceptance from an address not asked, forged, must not open the chat window.
    evil = forged_ip(7)
    Forger(qm2, qm1).send(evil, "@_*T;EVIL;" + evil)
    time.sleep(0.3)
    peer.send(qm1.ip, "@_*T;QM2;" + qm2.ip)
    check(probe.expect("CHAT ") == qm2.ip, "chat window not addressed to QM2")
    sender, text = peer.receive("@_*I")
    check(text == "@_*I;QM1;%s;점심 먹으러 갈까요 지금" % qm1.ip, "chat line %r" % text)
    peer.send(qm1.ip, "@_*I;QM2;%s;좋아요 12시에" % qm2.ip)
    time.sleep(0.3)
    peer.send(qm1.ip, "@_*X;")
    history = [probe.expect("HISTORY ") for _ in range(3)]
    check(history == ["QM1> 점심 먹으러 갈까요 지금|#000000",
                      "QM2> 좋아요 12시에|#0000ff",  # .12: colour 3, blue
                      "** 상대방이 대화를 중단하였습니다 **|#000000"], "history %r" % history)
    sender, text = peer.receive("@_*X")
    check(text == "@_*X;", "leave notice %r" % text)
    check(probe.expect("CLOSED ") == "0", "history not cleared on close")
    probe.finish()


def answering(lan, peer):
    qm1, qm2 = lan.hosts[0], lan.hosts[1]
    probe = Probe(qm1, {"QM_MODE": "answer", "QM_ANSWERS": "yes,no,open"})
    probe.expect("STARTED ")
    request = "@_*J;QM2;" + qm2.ip

    peer.send(qm1.ip, request)
    check(probe.expect("DIALOG ") == "QM2(%s)님께서" % qm2.ip, "dialog title")
    sender, text = peer.receive("@_*T")
    check((sender, text) == (qm1.ip, "@_*T;QM1;" + qm1.ip), "accept %r" % text)
    check(probe.expect("CHAT ") == qm2.ip, "chat window after accepting")
    peer.send(qm1.ip, "@_*I;QM2;%s;안녕하세요" % qm2.ip)
    check(probe.expect("HISTORY ") == "QM2> 안녕하세요|#0000ff", "received line")
    check(peer.receive("@_*X")[1] == "@_*X;", "leave notice on close")

    peer.send(qm1.ip, request)
    probe.expect("DIALOG ")
    check(peer.receive("@_*C")[1] == "@_*C;QM1;" + qm1.ip, "refusal")

    peer.send(qm1.ip, request)
    probe.expect("DIALOG ")
    time.sleep(0.5)
    peer.send(qm1.ip, "@_*V;")
    check(probe.expect("DIALOG GONE") is not None, "cancel did not remove the dialog")
    probe.finish()


def pinging(lan, datagram):
    qm1, qm2 = lan.hosts[0], lan.hosts[1]
    if datagram:
        subprocess.run(["ip", "netns", "exec", qm1.ns, "sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647"],
                       check=True)
    targets = [qm2.ip] + ([] if datagram else ["10.77.0.99"])
    probe = Probe(qm1, {"QM_MODE": "ping", "QM_TARGETS": ",".join(targets)})
    seen = probe.finish(timeout=120)
    reports, report = [], None
    for line in seen:
        if line.startswith("TITLE "):
            report = [line[6:]]
            reports.append(report)
        elif line.startswith("REPORT ") and report is not None:
            report.append(line[7:])
    if not check(len(reports) == len(targets), "%d ping reports" % len(reports)):
        return
    up = reports[0]
    check(up[0] == "HOST1 (%s) - PING" % qm2.ip, "caption %r" % up[0])
    replies = [l for l in up if l.startswith(qm2.ip + " 로부터 응답: 바이트=56, 시간=")]
    check(len(replies) == 10 and all(l.endswith("TTL=64") for l in replies), "replies %r" % up)
    check("10 packets transmitted, 10 packets received, 0% packet loss" in up, "statistics %r" % up[-3:])
    if datagram:
        return
    down = reports[1]
    lines = down[3:13]
    allowed = ("응답없음: Request timed out", qm1.ip + " 로부터 응답: Non-recoverable error(11003)")
    check(all(l in allowed for l in lines), "no-host lines %r" % lines)
    received = sum(1 for l in lines if l != allowed[0])
    check(down[-2] == "10 packets transmitted, %d packets received, %d%% packet loss" % (received, 100 - 10 * received),
          "no-host statistics %r" % down[-2])
    check(down[-1] == "round-trip (ms) min/avg/max = 0/0/0", "no-host times %r" % down[-1])


def main():
    if not os.path.exists(probe):
        print("lanprobe_chat is not built", file=sys.stderr)
        return 1
    with TestLan(build, hosts=2) as lan:
        peer = Peer(lan.hosts[1])
        asking(lan, peer)
        answering(lan, peer)
        pinging(lan, datagram=False)
        pinging(lan, datagram=True)
    if failures:
        print("%d failures" % len(failures))
        return 1
    print("chat and ping on the test LAN: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
