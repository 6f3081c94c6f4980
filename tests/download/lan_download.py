"""Downloads between real copies on the test LAN, through their real file servers.

QM1 and QM2 are copies that publish files; QM3 runs the copy that downloads
(lanprobe_download, a real main window). Checks, byte for byte by sha256: a
50 MiB file; a whole folder with subfolders, laid out below the target as
the owner has it; a transfer cut in the middle (the owner's file server
killed) that ends broken and, started again in resume mode, gives the
identical file; a queue of ten files from two owners, every row complete,
with names that differ only by a ":" kept apart and a name that both owners
have saved twice, once numbered ("readme (2).txt"); a resume whose local file
is longer than the owner's ends broken and leaves that file alone; a
requester whose name resolves to the second address of its link, which the
kernel would not choose as the source of a connection."""
import hashlib
import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, await_announcements, build_dir_from_args, check, failures, finish  # noqa: E402

build = build_dir_from_args()
probe = os.path.join(build, "tests", "lanprobe_download")
shots = os.environ.get("QM_SHOT_DIR", "")
COMPLETE = "전송완료"
BROKEN = "전송끊김"




def make_file(path, size, seed):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        block = hashlib.sha512(str(seed).encode()).digest() * 2048  # 128 KiB
        left = size
        n = 0
        while left > 0:
            chunk = hashlib.sha256(b"%d-%d" % (seed, n)).digest() + block
            f.write(chunk[:left])
            left -= len(chunk[:left])
            n += 1


def sha(path):
    h = hashlib.sha256()
    try:
        with open(path, "rb") as f:
            for b in iter(lambda: f.read(1 << 20), b""):
                h.update(b)
    except FileNotFoundError:
        return "<missing>"
    return h.hexdigest()


def probe_env(owners, rows, choose, target, **extra):
    env = {"QM_OWNERS": ",".join(o.ip for o in owners), "QM_ROWS": str(rows), "QM_CHOOSE": choose,
           "QM_TARGET": target}
    env.update({k: str(v) for k, v in extra.items()})
    return env


def parse(out):
    rows = [l[4:].split("|") for l in out.splitlines() if l.startswith("ROW ")]
    elapsed = next((float(l[8:]) for l in out.splitlines() if l.startswith("ELAPSED ")), 0.0)
    return rows, elapsed


def run_probe(host, env, timeout=240):
    r = host.run([host.folder + "lanprobe_download"], env=env, timeout=timeout, cwd=host.folder)
    check(r.returncode == 0, "probe ended with %d: %s %s" % (r.returncode, r.stdout[-800:], r.stderr[-800:]))
    return r.stdout


def check_rows(rows, expected, what):
    """expected: save path -> source path. True when every row is right."""
    before = len(failures)
    got = {row[3]: row for row in rows}
    check(sorted(got) == sorted(expected), "%s: rows %s, expected %s" % (what, sorted(got), sorted(expected)))
    for path, source in expected.items():
        row = got.get(path)
        if not row:
            continue
        check(row[0] == COMPLETE, "%s: %s ended %s" % (what, path, row[0]))
        check(row[1] == str(os.path.getsize(source)), "%s: %s size %s" % (what, path, row[1]))
        check(sha(path) == sha(source), "%s: %s differs from %s" % (what, path, source))
    return len(failures) == before


def file_server_pids(host):
    pids = []
    for p in os.listdir("/proc"):
        if p.isdigit():
            try:
                if os.readlink("/proc/%s/exe" % p) == host.folder + "Vellicor":
                    pids.append(int(p))
            except OSError:
                pass
    return pids


with TestLan(build, hosts=3) as lan:
    qm1, qm2, qm3 = lan.hosts
    data1 = os.path.join(qm1.root, "data")
    big = os.path.join(data1, "big.bin")
    make_file(big, 50 * 1024 * 1024, 1)
    tree = os.path.join(data1, "tree")
    tree_files = {"a.txt": 1000, "empty.bin": 0, "sub1/b.bin": 300 * 1024, "sub1/deep/c.bin": 1024 * 1024 + 7,
                  "sub2/d 한글.txt": 50000}
    for i, (rel, size) in enumerate(tree_files.items()):
        make_file(os.path.join(tree, rel), size, 10 + i)
    qfiles = os.path.join(data1, "qfiles")
    for i in range(5):
        make_file(os.path.join(qfiles, "q%d.bin" % i), (i + 1) * 200 * 1024 + i, 20 + i)
    alike = ["12:30 notes.txt", "1230 notes.txt", "readme.txt"]
    for i, name in enumerate(alike):
        make_file(os.path.join(qfiles, name), 3000 + i, 40 + i)
    qm1.write_shares([data1 + "/;big.bin;;;F", ";" + tree + ";;;D", ";" + tree + "/sub1;;;D",
                       ";" + tree + "/sub1/deep;;;D", ";" + tree + "/sub2;;;D", ";" + qfiles + ";;;D"])
    rows1 = 1 + 2 + 1 + 1 + 1 + 5 + len(alike)
    rfiles = os.path.join(qm2.root, "rfiles")
    for i in range(5):
        make_file(os.path.join(rfiles, "r%d.bin" % i), (i + 1) * 150 * 1024 + 3 * i, 30 + i)
    make_file(os.path.join(rfiles, "readme.txt"), 2000, 50)
    qm2.write_shares([";" + rfiles + ";;;D"])

    shutil.copy2(probe, qm3.folder + "lanprobe_download")
    heard = qm3.socket()
    heard.bind(("0.0.0.0", 8765))
    qm1.start_program()
    qm2.start_program()
    check(await_announcements(heard, (qm1, qm2)), "the owners never announced themselves")
    heard.close()

    # A 50 MiB file.
    down1 = os.path.join(qm3.root, "down1")
    os.makedirs(down1)
    out = run_probe(qm3, probe_env([qm1], rows1, "files:big.bin", down1))
    rows, elapsed = parse(out)
    check_rows(rows, {down1 + "/big.bin": big}, "50 MiB file")
    if elapsed:
        print("50 MiB in %.2f s (%.0f MiB/s)" % (elapsed, 50 / elapsed))

    # A folder with its subfolders, laid out as the owner has it.
    down2 = os.path.join(qm3.root, "down2")
    os.makedirs(down2)
    node = "|".join(["QM1", "/"] + tree.strip("/").split("/"))
    out = run_probe(qm3, probe_env([qm1], rows1, "node:" + node, down2))
    rows, _ = parse(out)
    check_rows(rows, {down2 + "/tree/" + rel: os.path.join(tree, rel) for rel in tree_files}, "folder")

    # Ten files from two owners in one queue.
    down3 = os.path.join(qm3.root, "down3")
    os.makedirs(down3)
    names = ["q%d.bin" % i for i in range(5)] + ["r%d.bin" % i for i in range(5)] + alike
    env = probe_env([qm1, qm2], rows1 + 6, "files:" + ",".join(names), down3)
    if shots:
        os.makedirs(shots, exist_ok=True)
        env["QM_SHOT"] = os.path.join(shots, "lan-download-queue.png")
    out = run_probe(qm3, env)
    rows, _ = parse(out)
    expected = {down3 + "/q%d.bin" % i: os.path.join(qfiles, "q%d.bin" % i) for i in range(5)}
    expected.update({down3 + "/r%d.bin" % i: os.path.join(rfiles, "r%d.bin" % i) for i in range(5)})
    expected.update({down3 + "/" + name: os.path.join(qfiles, name) for name in alike[:2]})
    # Which owner's readme.txt comes first follows the order of the list.
    readmes = [os.path.join(qfiles, "readme.txt"), os.path.join(rfiles, "readme.txt")]
    if sha(down3 + "/readme.txt") != sha(readmes[0]):
        readmes.reverse()
    expected.update({down3 + "/readme.txt": readmes[0], down3 + "/readme (2).txt": readmes[1]})
    check_rows(rows, expected, "queue of ten")

    # Resume where the local file is longer than the owner's: some other
    # file, which stays as it is; the next row resumes as usual.
    down5 = os.path.join(qm3.root, "down5")
    os.makedirs(down5)
    with open(os.path.join(qfiles, "q0.bin"), "rb") as f:
        longer = f.read() + b"not the owner's"
    with open(os.path.join(qfiles, "q1.bin"), "rb") as f:
        half = f.read(100000)
    for name, content in (("q0.bin", longer), ("q1.bin", half)):
        with open(os.path.join(down5, name), "wb") as f:
            f.write(content)
    out = run_probe(qm3, probe_env([qm1], rows1, "files:q0.bin,q1.bin", down5, QM_RESUME=1))
    rows, _ = parse(out)
    states = {row[3]: row[0] for row in rows}
    check(states.get(down5 + "/q0.bin") == BROKEN, "longer local file: %s" % states)
    with open(os.path.join(down5, "q0.bin"), "rb") as f:
        check(f.read() == longer, "the longer local file was changed")
    check(states.get(down5 + "/q1.bin") == COMPLETE and sha(down5 + "/q1.bin") == sha(os.path.join(qfiles, "q1.bin")),
          "resume after it: %s" % states)

    # A transfer cut in the middle, then resumed. The owner's link is slowed
    # so that the cut comes while bytes still flow.
    down4 = os.path.join(qm3.root, "down4")
    os.makedirs(down4)
    slowed = qm1.run(["tc", "qdisc", "add", "dev", "eth0", "root", "tbf", "rate", "80mbit", "burst", "64kb",
                      "latency", "100ms"])
    check(slowed.returncode == 0, "tc: " + slowed.stderr)
    p = qm3.popen([qm3.folder + "lanprobe_download"], cwd=qm3.folder, stdout=subprocess.PIPE, text=True,
                  env=probe_env([qm1], rows1, "files:big.bin", down4, QM_RESUME=1, QM_RESTART=1))
    lines = []
    reader = threading.Thread(target=lambda: lines.extend(p.stdout))
    reader.start()
    partial = down4 + "/big.bin"
    deadline = time.time() + 60
    while time.time() < deadline and (not os.path.exists(partial) or os.path.getsize(partial) < 15 << 20):
        time.sleep(0.05)
    killed = file_server_pids(qm1)
    check(bool(killed), "no file server running on QM1 during the transfer")
    for pid in killed:
        os.kill(pid, 9)
    cut_at = os.path.getsize(partial) if os.path.exists(partial) else 0
    qm1.run(["tc", "qdisc", "del", "dev", "eth0", "root"])
    try:
        p.wait(120)
    except subprocess.TimeoutExpired:
        p.kill()
        check(False, "resume probe did not end")
    reader.join(10)
    out = "".join(lines)
    broken = [l[10:].split("|") for l in out.splitlines() if l.startswith("BROKENROW ")]
    check(len(broken) == 1, "the cut row did not end %s: %s" % (BROKEN, out[-800:]))
    if broken:
        got = int(broken[0][0] or 0)
        check(cut_at // 2 < got < 50 << 20, "broken after %d bytes (cut at %d)" % (got, cut_at))
        print("cut after %d bytes, resumed from there" % got)
    rows, _ = parse(out)
    if not check_rows(rows, {partial: big}, "resumed file"):
        print(out[-1500:])

    # The file server takes only the address that asked for the file.
    qm3.add_address("10.77.0.113")
    qm3.map_name("10.77.0.113")
    down6 = os.path.join(qm3.root, "down6")
    os.makedirs(down6)
    out = run_probe(qm3, probe_env([qm1], rows1, "files:q1.bin", down6))
    rows, _ = parse(out)
    check_rows(rows, {down6 + "/q1.bin": os.path.join(qfiles, "q1.bin")}, "requester on a second address")

finish()
