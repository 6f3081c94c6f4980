"""A scripted hostile peer and an honest one, shared by the hostile LAN tests
and the flood benchmark.

The hostile peer sends from forged source addresses (10.79.0.0/16) through a
raw socket in its own namespace; the copy reaches those addresses through a
route via the hostile host, which drops what it gets, as a LAN does with
answers to nobody. The honest peer measures what a real copy would wait for.
"""
import os
import select
import socket
import struct
import subprocess
import threading
import time

from testlan import rss_kib

FORGED_NET = "10.79.0.0/16"


def forged_ip(i):
    return "10.79.%d.%d" % (i // 250 % 250, i % 250 + 1)


class Forger:
    """UDP datagrams to the copy's port 8765 from any source address."""

    def __init__(self, host, target):
        self.raw = host.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
        self.target = target
        self.dst = socket.inet_aton(target.ip)
        r = subprocess.run(["ip", "-n", target.ns, "route", "replace", FORGED_NET, "via", host.ip],
                           capture_output=True, text=True)
        if r.returncode != 0:
            raise RuntimeError("route to the forged addresses: " + r.stderr)

    def send(self, source, payload):
        if isinstance(payload, str):
            payload = payload.encode("cp949")
        udp = struct.pack("!HHHH", 40000, 8765, 8 + len(payload), 0)
        ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 28 + len(payload), 0, 0, 64, 17, 0,
                         socket.inet_aton(source), self.dst)
        try:
            self.raw.sendto(ip + udp + payload, (self.target.ip, 0))
        except OSError:
            pass  # a full queue drops it, as the wire would

    def flood(self, payloads, seconds=0.0):
        """payloads: (source, text) pairs, spread evenly over seconds (0: at once)."""
        start = time.time()
        for i, (source, payload) in enumerate(payloads):
            if seconds > 0 and i % 50 == 0:
                pause = start + seconds * i / len(payloads) - time.time()
                if pause > 0:
                    time.sleep(pause)
            self.send(source, payload)
        return time.time() - start


class Honest:
    """A well-behaved copy's side of browse and download, with its waits."""

    def __init__(self, host, target):
        self.udp = host.socket()
        self.udp.bind(("0.0.0.0", 8765))
        self.udp.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
        self.host, self.target = host, target

    def send(self, text):
        self.udp.sendto(text.encode("cp949"), (self.target.ip, 8765))

    def drain(self):
        while select.select([self.udp], [], [], 0)[0]:
            self.udp.recvfrom(70000)

    def receive(self, codes, timeout, start=""):
        """The next datagram with one of the codes (and beginning with start), or None."""
        deadline = time.time() + timeout
        while True:
            left = deadline - time.time()
            if left <= 0 or not select.select([self.udp], [], [], left)[0]:
                return None
            data, _ = self.udp.recvfrom(70000)
            text = data.decode("cp949", "replace")
            if text[:4] in codes and text.startswith(start):
                return text

    def list_start(self, timeout):
        """The name the copy's share list begins with, for browse_wait."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            self.drain()
            self.send("@_+L;")
            got = self.receive({"@_+G"}, 1)
            if got:
                return got.split(";")[1]
        return None

    def browse_wait(self, timeout=30, first=""):
        """Seconds until a browse is answered, asking again after every 6 s
        without an answer as a user would; None when none came. first: the
        name the list begins with, which tells a new answer from the rest of
        an earlier one."""
        self.drain()
        t0 = time.time()
        while time.time() - t0 < timeout:
            self.send("@_+L;")
            if self.receive({"@_+G", "@_+N"}, min(6, timeout - (time.time() - t0)), "@_+G;" + first if first else ""):
                return time.time() - t0
        return None

    def download_wait(self, path, timeout=30, fetch=True):
        """Seconds from the download request to "@_+K" (retrying after "busy"
        as the download queue would), None when it never came."""
        t0 = time.time()
        while time.time() - t0 < timeout:
            self.drain()
            self.send("@_+S;HONEST;%s;%s" % (self.target.name, path))
            got = self.receive({"@_+I", "@_+M", "@_+O", "@_+V"}, max(0.1, min(5, timeout - (time.time() - t0))))
            if got and got.startswith("@_+I"):
                self.send("@_+R;HONEST;%s;0" % path)
                got = self.receive({"@_+K", "@_+M", "@_+O", "@_+V"}, max(0.1, min(5, timeout - (time.time() - t0))))
                if got and got.startswith("@_+K"):
                    waited = time.time() - t0
                    if fetch:
                        fetch_file(self.host, self.target.ip, int(got.split(";")[1]))
                    return waited
            time.sleep(0.5)
        return None



def fetch_file(host, ip, port):
    """What a file server at ip:port sends to host."""
    t = host.socket(socket.AF_INET, socket.SOCK_STREAM)
    t.settimeout(5)
    data = b""
    try:
        t.connect((ip, port))
        while True:
            c = t.recv(65536)
            if not c:
                break
            data += c
    except OSError:
        pass
    t.close()
    return data


class PeakRss:
    """Samples a process's resident memory in the background."""

    def __init__(self, pid):
        self.pid, self.start, self.peak = pid, rss_kib(pid), rss_kib(pid)
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while not self._stop.wait(0.1):
            self.peak = max(self.peak, rss_kib(self.pid))

    def stop(self):
        self._stop.set()
        self._thread.join()
        return self.peak


def file_servers(host):
    return len(host.pids_of("Vellicor"))


def kill_file_servers(host):
    for p in host.pids_of("Vellicor"):
        try:
            os.kill(p, 9)
        except ProcessLookupError:
            pass
