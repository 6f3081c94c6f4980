"""The file server beside nginx, one 1 GiB file across the test LAN.

QM1 serves, QM2 fetches: Vellicor to a plain TCP reader (serving_reader),
and nginx with sendfile on to curl and to the same reader, over the same
veth link, alternately, several rounds each, servers on one core and
clients on the other. Prints both throughputs (median), their ratio and the
CPU time that each server spent per transfer. nginx and curl are installed
here when missing; nothing else needs them.

    python3 bench/serving_bench.py --build build [--rounds 3] [--mib 1024]
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "lan"))
from testlan import PROGRAM_TIMINGS, TestLan, build_dir_from_args, wait_for  # noqa: E402

TOKEN = "572048"
TICK = os.sysconf("SC_CLK_TCK")
# Server and client on separate cores, the same ones for both servers, so that
# where the scheduler happens to put them does not decide the comparison.
SERVER_CPU = ["taskset", "-c", "0"]
CLIENT_CPU = ["taskset", "-c", "1"]


def option(name, default):
    args = sys.argv[1:]
    return int(args[args.index(name) + 1]) if name in args else default


def ensure_tools():
    missing = [tool for tool in ("nginx", "curl") if not shutil.which(tool)]
    if not missing:
        return
    # Installed for the benchmark only, and never started as a system service.
    policy = "/usr/sbin/policy-rc.d"
    made = not os.path.exists(policy)
    if made:
        with open(policy, "w") as f:
            f.write("#!/bin/sh\nexit 101\n")
        os.chmod(policy, 0o755)
    try:
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "update", "-q"], env=env, check=False, stdout=subprocess.DEVNULL)
        subprocess.run(["apt-get", "install", "-y", "-q", "--no-install-recommends", *missing], env=env, check=True,
                       stdout=subprocess.DEVNULL)
    finally:
        if made:
            os.remove(policy)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def mib_per_s(size, secs):
    return size / secs / (1 << 20)


build = build_dir_from_args()
rounds = option("--rounds", 3)
size = option("--mib", 1024) << 20
reader = os.path.join(build, "bin", "serving_reader")
ensure_tools()

with TestLan(build, hosts=2, timings=PROGRAM_TIMINGS) as lan:
    owner, requester = lan.hosts
    data = os.path.join(owner.root, "www")
    os.makedirs(data)
    path = os.path.join(data, "big.bin")
    with open(path, "wb") as f:
        chunk = os.urandom(16 << 20)
        for _ in range(size // len(chunk)):
            f.write(chunk)
    subprocess.run(["cat", path], stdout=subprocess.DEVNULL, check=True)  # both servers read from the page cache

    prefix = os.path.join(owner.root, "nginx")
    os.makedirs(os.path.join(prefix, "logs"))
    conf = os.path.join(prefix, "nginx.conf")
    with open(conf, "w") as f:
        f.write("""daemon off; master_process off; worker_processes 1; user root;
error_log %(p)s/logs/error.log; pid %(p)s/nginx.pid;
events { worker_connections 64; }
http { sendfile on; tcp_nopush on; access_log off; types { } default_type application/octet-stream;
  server { listen %(ip)s:8080; root %(root)s; } }
""" % {"p": prefix, "ip": owner.ip, "root": data})
    nginx = owner.popen(SERVER_CPU + ["nginx", "-p", prefix, "-c", conf],
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    url = "http://%s:8080/big.bin" % owner.ip
    wait_for(lambda: requester.run(["curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "-r", "0-0", url],
                                   timeout=10).stdout == "206", 10)

    port = 9265 + int(requester.ip.split(".")[-1])
    request = "GET /big.bin HTTP/1.0\r\nHost: %s\r\n\r\n" % owner.ip
    ours, theirs, theirs_raw, our_cpu, their_cpu = [], [], [], [], []
    for _ in range(rounds):
        server = owner.popen(SERVER_CPU + [owner.folder + "Vellicor", requester.ip, str(port), "BENCH", path,
                                           str(size), "0", TOKEN], env={"QT_QPA_PLATFORM": "offscreen"})
        r = requester.run(CLIENT_CPU + [reader, owner.ip, str(port)], timeout=300)
        got, secs = r.stdout.split()
        _, status, usage = os.wait4(server.pid, 0)
        server.returncode = os.waitstatus_to_exitcode(status)
        if int(got) != size or server.returncode != 0:
            print("FAIL: Vellicor sent %s of %d bytes, ended with %d" % (got, size, server.returncode))
            sys.exit(1)
        ours.append(mib_per_s(size, float(secs)))
        our_cpu.append(usage.ru_utime + usage.ru_stime)

        before = cpu_seconds(nginx.pid)
        r = requester.run(CLIENT_CPU + ["curl", "-s", "-o", "/dev/null", "-w", "%{size_download} %{time_total}", url],
                          timeout=300)
        their_cpu.append(cpu_seconds(nginx.pid) - before)
        got, secs = r.stdout.split()
        if int(got) != size:
            print("FAIL: nginx sent %s of %d bytes" % (got, size))
            sys.exit(1)
        theirs.append(mib_per_s(size, float(secs)))

        # The same reader as for Vellicor, to tell the servers apart from the clients.
        r = requester.run(CLIENT_CPU + [reader, owner.ip, "8080", request], timeout=300)
        got, secs = r.stdout.split()
        theirs_raw.append(mib_per_s(size, float(secs)))



def line(label, runs):
    print("%-20s %8.1f MiB/s best, %8.1f median   (rounds: %s)"
          % (label, max(runs), statistics.median(runs), ", ".join("%.0f" % x for x in runs)))


# On a shared machine other work slows single rounds; the best round is the
# servers' own speed, the median what a busy computer gives.
print("file size            %d MiB, %d rounds each" % (size >> 20, rounds))
line("Vellicor -> reader", ours)
line("nginx    -> curl", theirs)
line("nginx    -> reader", theirs_raw)
print("ratio Vellicor/nginx %8.2f best, %8.2f median   (both to the plain reader: %.2f best)"
      % (max(ours) / max(theirs), statistics.median(ours) / statistics.median(theirs), max(ours) / max(theirs_raw)))
print("Vellicor CPU time     %8.3f s per transfer (user+system of the whole process, from entering the namespace on)"
      % statistics.median(our_cpu))
print("nginx CPU time        %8.3f s per transfer" % statistics.median(their_cpu))
