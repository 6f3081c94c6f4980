"""A 1 GiB download across the test LAN through the program, beside curl
fetching the same file from nginx (sendfile on) and iperf3 over the same link.

QM1 runs a real copy that publishes the file, and nginx. QM2 downloads it
with the real main window (lanprobe_download: list request, download
request, QM1's file server, the transfer client writing the file) and with
curl, alternately, several rounds each, both writing into the same folder.
iperf3 then measures the bare link between the two hosts. Prints the three
throughputs (median), the program's ratio to each and the downloading
side's CPU seconds per GiB against curl's. nginx, curl and iperf3 are
installed here when missing.

    python3 bench/client_bench.py --build build [--rounds 3] [--mib 1024]
"""
import json
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "lan"))
from testlan import PROGRAM_TIMINGS, TestLan, build_dir_from_args, wait_for  # noqa: E402


def option(name, default):
    args = sys.argv[1:]
    return int(args[args.index(name) + 1]) if name in args else default


def install_missing(tools):
    missing = [t for t in tools if not shutil.which(t)]
    if not missing:
        return
    # No service may start on this machine: policy-rc.d refuses them during the install.
    policy = "/usr/sbin/policy-rc.d"
    made = not os.path.exists(policy)
    if made:
        with open(policy, "w") as f:
            f.write("#!/bin/sh\nexit 101\n")
        os.chmod(policy, 0o755)
    try:
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "update", "-q"], env=env, stdout=subprocess.DEVNULL)
        subprocess.run(["apt-get", "install", "-y", "-q", "--no-install-recommends", *missing], env=env,
                       stdout=subprocess.DEVNULL, check=True)
    finally:
        if made:
            os.remove(policy)


def children_cpu():
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


build = build_dir_from_args()
# Other work on the machine takes its share of the cores: the figures say how busy it was.
load_before = os.getloadavg()[0]
rounds = option("--rounds", 3)
size = option("--mib", 1024) << 20
probe = os.path.join(build, "tests", "lanprobe_download")
install_missing(["nginx", "curl", "iperf3"])

with TestLan(build, hosts=2, timings=PROGRAM_TIMINGS) as lan:
    owner, requester = lan.hosts
    data = os.path.join(owner.root, "www")
    os.makedirs(data)
    path = os.path.join(data, "big.bin")
    with open(path, "wb") as f:
        block = os.urandom(16 << 20)
        for _ in range(size // len(block)):
            f.write(block)
    subprocess.run(["cat", path], stdout=subprocess.DEVNULL, check=True)  # both servers read from the page cache
    with open(owner.folder + "Quillmere.ini", "w") as f:
        f.write("[SHAREFILE]\r\n0=%s/;big.bin;;;F\r\n" % data)
    owner.start_program()

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
    owner.popen(["nginx", "-p", prefix, "-c", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    url = "http://%s:8080/big.bin" % owner.ip
    wait_for(lambda: requester.run(["curl", "-s", "-o", "/dev/null", "-w", "%{http_code}", "-r", "0-0", url],
                                   timeout=10).stdout == "206", 10)

    shutil.copy2(probe, requester.folder + "lanprobe_download")
    target = os.path.join(requester.root, "down")
    os.makedirs(target)
    got_file = os.path.join(target, "big.bin")
    ours, transfer, theirs, our_cpu, their_cpu, cli, cli_cpu = [], [], [], [], [], [], []
    for _ in range(rounds):
        env = {"QM_OWNERS": owner.ip, "QM_ROWS": "1", "QM_CHOOSE": "files:big.bin", "QM_TARGET": target}
        r = requester.run([requester.folder + "lanprobe_download"], env=env, cwd=requester.folder, timeout=600)
        lines = dict(l.split(" ", 1) for l in r.stdout.splitlines() if " " in l)
        row = lines.get("ROW", "").split("|")
        if r.returncode != 0 or row[0] != "전송완료" or os.path.getsize(got_file) != size:
            print("FAIL: the program's download ended %s: %s" % (r.returncode, r.stdout[-500:]))
            sys.exit(1)
        ours.append(size / float(lines["ELAPSED"]) / (1 << 20))
        if "TRANSFER" in lines:
            transfer.append(size / float(lines["TRANSFER"]) / (1 << 20))
        our_cpu.append(float(lines["CPU"]))
        os.remove(got_file)

        # The client without windows, on the same path.
        before = children_cpu()
        start = time.monotonic()
        r = requester.run([requester.folder + "quillmere-cli", "get", owner.ip, path, "--to", target], timeout=600)
        secs = time.monotonic() - start
        cli_cpu.append(children_cpu() - before)
        if r.returncode != 0 or os.path.getsize(got_file) != size:
            print("FAIL: quillmere-cli get ended %d: %s" % (r.returncode, r.stderr[-500:]))
            sys.exit(1)
        cli.append(size / secs / (1 << 20))
        os.remove(got_file)

        before = children_cpu()
        start = time.monotonic()
        r = requester.run(["curl", "-s", "-o", got_file, url], timeout=600)
        secs = time.monotonic() - start
        their_cpu.append(children_cpu() - before)
        if r.returncode != 0 or os.path.getsize(got_file) != size:
            print("FAIL: curl ended %d" % r.returncode)
            sys.exit(1)
        theirs.append(size / secs / (1 << 20))
        os.remove(got_file)

    link = []
    iperf = owner.popen(["iperf3", "-s", "-B", owner.ip], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # A short first run tells when the server listens.
    wait_for(lambda: requester.run(["iperf3", "-c", owner.ip, "-t", "1"], timeout=30).returncode == 0, 10)
    for _ in range(rounds):
        r = requester.run(["iperf3", "-c", owner.ip, "-t", "5", "-J"], timeout=60)
        if r.returncode != 0:
            print("FAIL: iperf3 ended %d" % r.returncode)
            sys.exit(1)
        got = json.loads(r.stdout)["end"]["sum_received"]
        link.append(got["bytes"] / got["seconds"] / (1 << 20))
    iperf.terminate()

gib = size / (1 << 30)
a, b, c = statistics.median(ours), statistics.median(theirs), statistics.median(link)
cpu_a, cpu_b = statistics.median(our_cpu) / gib, statistics.median(their_cpu) / gib
print("file size              %d MiB, %d rounds each, medians" % (size >> 20, rounds))
print("load average           %.2f at the start, %.2f at the end (1 minute)" % (load_before, os.getloadavg()[0]))
print("program (whole path)   %8.1f MiB/s   (rounds: %s)" % (a, ", ".join("%.0f" % x for x in ours)))
if transfer:
    print("program (transfer)     %8.1f MiB/s   (from the row's \"전송중\"; rounds: %s)" %
          (statistics.median(transfer), ", ".join("%.0f" % x for x in transfer)))
print("quillmere-cli get      %8.1f MiB/s   (whole command, start-up included; rounds: %s)" %
      (statistics.median(cli), ", ".join("%.0f" % x for x in cli)))
print("nginx -> curl          %8.1f MiB/s   (rounds: %s)" % (b, ", ".join("%.0f" % x for x in theirs)))
print("iperf3 (the link)      %8.1f MiB/s   (rounds: %s)" % (c, ", ".join("%.0f" % x for x in link)))
print("ratio program/curl     %8.2f" % (a / b))
print("ratio cli get/curl     %8.2f" % (statistics.median(cli) / b))
print("ratio program/iperf3   %8.2f   (goal: at least 0.80)" % (a / c))
print("client CPU             %8.3f s per GiB (the downloading copy, user+system)" % cpu_a)
print("quillmere-cli get CPU  %8.3f s per GiB" % (statistics.median(cli_cpu) / gib))
print("curl CPU               %8.3f s per GiB" % cpu_b)
print("ratio CPU program/curl %8.2f   (goal: at most 1.00)" % (cpu_a / cpu_b))
