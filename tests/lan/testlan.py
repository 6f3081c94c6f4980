"""A test LAN: hosts in network namespaces joined by a bridge.

Each host has its own network namespace with loopback and one veth link into
a bridge that lives in one more namespace, an address of 10.77.0.0/24, a hosts
file that maps its name to its address, optionally a Samba configuration, and
its own program folder (the program, Vellicor and its window module beside
it). Programs run under `unshare --uts` with the host's name. Everything made
is removed on exit, also when the test fails. Nothing is ever started in the
caller's own namespace.

    with TestLan(build_dir, hosts=3) as lan:
        h = lan.hosts[0]
        h.write_smb_conf("[global]\\n  workgroup = alpha\\n")
        p = h.start_program()
        s = h.socket(socket.AF_INET, socket.SOCK_DGRAM)

A host may get more addresses on its LAN link (add_address), a hosts file
that names another address (map_name), or a second link straight to another
host (lan.side_link).

Every program started on the LAN gets short intervals (QUILLMERE_TIMINGS,
SHORT_TIMINGS below), so that no scenario waits out a real one; a scenario
that measures an interval asks for its real length with timings={name: None}.
"""
import atexit
import ctypes
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
CLONE_NEWNET = 0x40000000
_libc = ctypes.CDLL("libc.so.6", use_errno=True)


# Short enough to keep the scenarios quick, long enough that a copy on a busy
# machine still answers within them.
SHORT_TIMINGS = {"announce": 3000, "answer": 3000, "chat": 5000, "spacing": 100, "transfer": 2000}
# The program's own intervals, for benchmarks that measure it as users run it.
PROGRAM_TIMINGS = {name: None for name in SHORT_TIMINGS}


def timings_text(timings):
    """QUILLMERE_TIMINGS for the given intervals; None leaves an interval at its real length."""
    return ",".join("%s=%d" % (k, v) for k, v in timings.items() if v is not None)


class LanUnavailable(Exception):
    pass


def unavailable(message):
    """Skips the test (exit 77), or fails it when CI=true."""
    if os.environ.get("CI", "").lower() == "true":
        print("test LAN unavailable under CI: " + message, file=sys.stderr)
        sys.exit(1)
    print("SKIP: test LAN unavailable: " + message, file=sys.stderr)
    sys.exit(SKIP)


def _ip(*args, check=True):
    r = subprocess.run(["ip", *args], capture_output=True, text=True)
    if check and r.returncode != 0:
        raise LanUnavailable("ip %s: %s" % (" ".join(args), r.stderr.strip()))
    return r


class Host:
    def __init__(self, lan, index):
        self.lan = lan
        self.index = index
        self.name = "QM%d" % (index + 1)
        self.ip = "10.77.0.%d" % (11 + index)
        self.ns = "%sh%d" % (lan.tag, index + 1)
        self.root = os.path.join(lan.tmp, self.name)
        self.folder = os.path.join(self.root, "prog") + "/"
        self.home = os.path.join(self.root, "home")
        self.etc = "/etc/netns/" + self.ns

    def _create(self):
        _ip("netns", "add", self.ns)
        self.lan._namespaces.append(self.ns)
        _ip("-n", self.lan.bridge_ns, "link", "add", "vh%d" % (self.index + 1), "type", "veth",
            "peer", "name", "eth0", "netns", self.ns)
        _ip("-n", self.lan.bridge_ns, "link", "set", "vh%d" % (self.index + 1), "master", "br0", "up")
        _ip("-n", self.ns, "link", "set", "lo", "up")
        _ip("-n", self.ns, "addr", "add", self.ip + "/24", "broadcast", "10.77.0.255", "dev", "eth0")
        _ip("-n", self.ns, "link", "set", "eth0", "up")
        os.makedirs(self.etc, exist_ok=True)
        self.map_name(self.ip)
        os.makedirs(self.folder)
        os.makedirs(self.home, mode=0o700)
        for prog in ("quillmere", "quillmere-cli", "Vellicor", "libvellicor-window.so"):
            src = os.path.join(self.lan.build, "bin", prog)
            if os.path.exists(src):
                shutil.copy2(src, self.folder + prog)

    def map_name(self, ip):
        """The hosts file maps this host's name to ip (whether or not the host holds it)."""
        with open(os.path.join(self.etc, "hosts"), "w") as f:
            f.write("127.0.0.1 localhost\n%s %s\n" % (ip, self.name))

    def add_address(self, ip):
        """One more address on the LAN link, after the first: a secondary one,
        never the kernel's choice of source for the LAN."""
        _ip("-n", self.ns, "addr", "add", ip + "/24", "broadcast", "10.77.0.255", "dev", "eth0")

    def env(self, extra=None):
        e = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_RUNTIME_DIR": self.home,
            "QT_QPA_PLATFORM": "offscreen",
            "LANG": "C.UTF-8",
            "QUILLMERE_TIMINGS": self.lan.timings,
        }
        # Sanitizer options reach the programs of sanitized builds.
        e.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
        if extra:
            e.update(extra)
        return e

    def write_smb_conf(self, text):
        """A Samba configuration seen only inside this host (workgroup, shares)."""
        if not os.path.isdir("/etc/samba"):
            os.makedirs("/etc/samba", exist_ok=True)
            self.lan._made_etc_samba = True
        os.makedirs(os.path.join(self.etc, "samba"), exist_ok=True)
        with open(os.path.join(self.etc, "samba", "smb.conf"), "w") as f:
            f.write(text)

    def command(self, argv):
        """argv wrapped to run inside this host, under its own host name."""
        return ["ip", "netns", "exec", self.ns, "unshare", "--uts", "sh", "-c",
                'hostname "$0" && exec "$@"', self.name, *argv]

    def popen(self, argv, env=None, **kw):
        kw.setdefault("start_new_session", True)
        p = subprocess.Popen(self.command(argv), env=self.env(env), **kw)
        self.lan._processes.append(p)
        return p

    def run(self, argv, env=None, timeout=120, **kw):
        kw.setdefault("capture_output", True)
        kw.setdefault("text", True)
        return subprocess.run(self.command(argv), env=self.env(env), timeout=timeout, **kw)

    def start_program(self, env=None, **kw):
        """A real copy of the program from this host's program folder."""
        kw.setdefault("stdout", subprocess.DEVNULL)
        kw.setdefault("stderr", subprocess.DEVNULL)
        return self.popen([self.folder + "quillmere"], env=env, cwd=self.folder, **kw)

    def write_shares(self, records, folder=None):
        """The copy's share list ("folder;name;password;comment;F|D" records) as its
        configuration file holds it, in its program folder or the given one."""
        lines = ["[SHAREFILE]"] + ["%d=%s" % (i, r) for i, r in enumerate(records)]
        with open(os.path.join(folder or self.folder, "Quillmere.ini"), "wb") as f:
            f.write(("\r\n".join(lines) + "\r\n").encode("cp949"))

    def pids_of(self, exe):
        """The processes running this host's copy of the named program. A process
        started by one of them from the same program is a part of it, not another
        copy: the sanitizers' leak checker runs as one while a process ends."""
        parents = {}
        for p in os.listdir("/proc"):
            if p.isdigit():
                try:
                    if os.readlink("/proc/%s/exe" % p) == self.folder + exe:
                        with open("/proc/%s/stat" % p) as f:
                            parents[int(p)] = int(f.read().rsplit(")", 1)[1].split()[1])
                except (OSError, IndexError, ValueError):
                    pass
        return [p for p, parent in parents.items() if parent not in parents]

    def socket(self, family=socket.AF_INET, type=socket.SOCK_DGRAM, proto=0):
        """A socket that lives in this host's namespace (for scripted peers)."""
        box = {}

        def make():
            fd = os.open("/var/run/netns/" + self.ns, os.O_RDONLY)
            try:
                if _libc.setns(fd, CLONE_NEWNET) != 0:
                    box["error"] = OSError(ctypes.get_errno(), "setns")
                    return
                box["sock"] = socket.socket(family, type, proto)
            finally:
                os.close(fd)

        t = threading.Thread(target=make)
        t.start()
        t.join()
        if "error" in box:
            raise box["error"]
        return box["sock"]


class TestLan:
    def __init__(self, build_dir, hosts=3, timings=None):
        self.build = os.path.abspath(build_dir)
        self.count = hosts
        self.intervals = dict(SHORT_TIMINGS, **(timings or {}))
        self.timings = timings_text(self.intervals)
        self.tag = "qm%d" % (os.getpid() % 100000)
        self.bridge_ns = self.tag + "br"
        self.hosts = []
        self.tmp = None
        self._namespaces = []
        self._processes = []
        self._made_etc_samba = False
        self._closed = False

    def __enter__(self):
        if os.geteuid() != 0:
            unavailable("needs root to create network namespaces")
        if not shutil.which("ip"):
            unavailable("iproute2 is not installed")
        atexit.register(self.close)
        for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            signal.signal(s, self._on_signal)
        self.tmp = tempfile.mkdtemp(prefix="qmlan-")
        try:
            _ip("netns", "add", self.bridge_ns)
            self._namespaces.append(self.bridge_ns)
            _ip("-n", self.bridge_ns, "link", "set", "lo", "up")
            _ip("-n", self.bridge_ns, "link", "add", "br0", "type", "bridge")
            _ip("-n", self.bridge_ns, "link", "set", "br0", "up")
            for i in range(self.count):
                h = Host(self, i)
                self.hosts.append(h)
                h._create()
        except LanUnavailable as e:
            self.close()
            unavailable(str(e))
        return self

    def side_link(self, a, b):
        """A second link ("side0") straight between hosts a and b, on
        10.88.0.0/24 with their last numbers of the LAN; returns their addresses on it."""
        _ip("-n", a.ns, "link", "add", "side0", "type", "veth", "peer", "name", "side0", "netns", b.ns)
        ips = []
        for h in (a, b):
            ip = "10.88.0.%s" % h.ip.rsplit(".", 1)[1]
            _ip("-n", h.ns, "addr", "add", ip + "/24", "broadcast", "10.88.0.255", "dev", "side0")
            _ip("-n", h.ns, "link", "set", "side0", "up")
            ips.append(ip)
        return ips

    def __exit__(self, *exc):
        self.close()
        return False

    def _on_signal(self, signum, frame):
        self.close()
        sys.exit(128 + signum)

    def close(self):
        if self._closed:
            return
        self._closed = True
        for p in self._processes:
            if p.poll() is None:
                try:
                    os.killpg(p.pid, signal.SIGTERM)
                except (ProcessLookupError, PermissionError):
                    pass
        deadline = time.time() + 5
        for p in self._processes:
            try:
                p.wait(max(0.1, deadline - time.time()))
            except subprocess.TimeoutExpired:
                try:
                    os.killpg(p.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                p.wait()
        for h in self.hosts:
            shutil.rmtree(h.etc, ignore_errors=True)
        for ns in reversed(self._namespaces):
            # Processes a test started by other means must not keep a namespace alive.
            pids = _ip("netns", "pids", ns, check=False).stdout.split()
            for pid in pids:
                try:
                    os.kill(int(pid), signal.SIGKILL)
                except (ProcessLookupError, ValueError):
                    pass
            _ip("netns", "del", ns, check=False)
        if self._made_etc_samba:
            try:
                os.rmdir("/etc/samba")
            except OSError:
                pass
        if self.tmp:
            shutil.rmtree(self.tmp, ignore_errors=True)


failures = []


def check(ok, message):
    """Records a failed check and goes on, so that one run reports them all."""
    if not ok:
        failures.append(message)
        print("FAIL: " + message)
    return ok


def finish():
    """Ends the test script: fails when any check failed."""
    if failures:
        print("%d failure(s)" % len(failures))
        sys.exit(1)
    print("ok")
    sys.exit(0)


def sanitized(build_dir):
    """Whether the build has sanitizers in it (their quarantine and padding make memory figures meaningless)."""
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
            return any(l.startswith("QM_SANITIZE:") and l.strip().split("=", 1)[1] for l in f)
    except OSError:
        return False


def rss_kib(pid):
    """The resident memory of a process, 0 once it is gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def wait_for(predicate, timeout, interval=0.1):
    """Polls predicate until it is true or timeout seconds pass."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        v = predicate()
        if v:
            return v
        time.sleep(interval)
    return predicate()


def await_announcements(sock, hosts, timeout=20):
    """Whether every one of hosts announced itself to sock (bound to port 8765) within timeout seconds."""
    waiting = {h.ip for h in hosts}
    deadline = time.time() + timeout
    while waiting and select.select([sock], [], [], max(0.0, deadline - time.time()))[0]:
        data, (src, _) = sock.recvfrom(70000)
        if data.startswith(b"@_&#;@_&F;"):
            waiting.discard(src)
    return not waiting


def build_dir_from_args():
    args = sys.argv[1:]
    if "--build" in args:
        return args[args.index("--build") + 1]
    return os.environ.get("QM_BUILD", "build")
