"""One copy under load on the test LAN, shared by the load test and the load
benchmark.

QM1 runs the copy under test (lanprobe_load: the real main window with a meter
on its main thread) and shares a few hundred files. QM2 carries the simulated
peers: one extra address each on its link (10.78.0.0/16, which QM1 reaches on
the same link through a route), one socket bound to port 8765 of each. The
peers announce themselves, all of them within a few seconds; then some ask at
once for the copy's share list and others search at once, while every peer
announces itself a second time. Every browse must get the whole list, every
search its whole answer, and the peer tree every peer exactly once.
"""
import os
import random
import resource
import select
import shutil
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan  # noqa: E402

PORT = 8765
LIST_CODE = b"@_+G;"
END_LIST = b"#END_LIST#"
RESERVE = 100
MAX_DATAGRAM = 4096
PEER_NET = "10.78.0.0/16"
# Search texts and which entries each must bring back; none of them occurs
# in a comment or in the owner's name.
SEARCHES = [
    ("photo", lambda e: "photo" in e[0].lower()),
    ("REPORT", lambda e: "report" in e[0].lower()),
    ("노래", lambda e: "노래" in e[0]),
    ("*.pdf", lambda e: ".pdf" in e[0].lower()),
]


def peer_ip(i):
    return "10.78.%d.%d" % (i // 250, i % 250 + 1)


def group_name(g):
    # Every fifth group has a Korean name, so that decoding is part of the load.
    return ("영업%02d" % g) if g % 5 == 4 else ("WG%02d" % g)


def computer_name(i):
    return ("사원%04d" % i) if i % 7 == 3 else ("PC-%04d" % i)


def presence(group, computer):
    return ("@_&#;@_&F;%s;%s" % (group, computer)).encode("cp949")


def entry_bytes(e):
    return ("".join(f + ";" for f in e)).encode("cp949")


def read_list_datagram(data):
    """The entries of a list datagram, or None when it is not one."""
    if not data.startswith(LIST_CODE) or not data.endswith(END_LIST):
        return None
    fields = data[len(LIST_CODE):-len(END_LIST)].decode("cp949").split(";")
    if fields[-1] != "" or (len(fields) - 1) % 7 != 0:
        return None
    fields.pop()
    return [tuple(fields[k:k + 7]) for k in range(0, len(fields), 7)]


def packing_faults(datagrams):
    """Where a run of list datagrams breaks the packing rule: each full
    datagram holds as many whole entries as fit in 4096 bytes less 100."""
    faults = []
    lists = [read_list_datagram(d) for d in datagrams]
    for j, (d, entries) in enumerate(zip(datagrams, lists)):
        if entries is None or not entries:
            faults.append("datagram %d is not a list datagram: %r" % (j, d[:60]))
            continue
        payload = len(d) - len(LIST_CODE) - len(END_LIST)
        if payload + RESERVE > MAX_DATAGRAM:
            faults.append("datagram %d holds %d bytes" % (j, len(d)))
        if j + 1 < len(datagrams) and lists[j + 1]:
            if payload + len(entry_bytes(lists[j + 1][0])) + RESERVE <= MAX_DATAGRAM:
                faults.append("datagram %d was sent with room for the next entry" % j)
    return faults


class Probe:
    """The copy under test; its output lines are read as they come."""

    def __init__(self, host, binary, expect):
        shutil.copy2(binary, host.folder + "lanprobe_load")
        self.lines = []
        self.cond = threading.Condition()
        self.proc = host.popen([host.folder + "lanprobe_load"], env={"QM_EXPECT": str(expect)}, cwd=host.folder,
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            with self.cond:
                self.lines.append(raw.decode("utf-8", "replace").rstrip("\n"))
                self.cond.notify_all()
        with self.cond:
            self.lines.append(None)
            self.cond.notify_all()

    def wait_line(self, prefix, timeout):
        deadline = time.time() + timeout
        with self.cond:
            while True:
                for line in self.lines:
                    if line is None:
                        return None
                    if line.startswith(prefix):
                        return line
                left = deadline - time.time()
                if left <= 0:
                    return None
                self.cond.wait(left)

    def last_line(self, prefix):
        with self.cond:
            return next((l for l in reversed(self.lines) if l and l.startswith(prefix)), None)

    def report(self, timeout=30):
        self.proc.stdin.write(b"report\n")
        self.proc.stdin.flush()
        self.wait_line("END", timeout)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            pass
        with self.cond:
            return [l for l in self.lines if l is not None]


def publish(host, files):
    """A folder of photos, a folder of reports, and single file records of
    songs. Returns the entries the copy must list."""
    share = os.path.join(host.root, "share")
    photos = os.path.join(share, "휴가 사진")
    reports = os.path.join(share, "reports")
    music = os.path.join(share, "music")
    for d in (photos, reports, music):
        os.makedirs(d)
    rng = random.Random(8)
    # The registry holds at most 100 records, so most files come in the two folders.
    songs = min(files // 3, 90)
    pictures = (files - songs) // 2
    made = {photos: [], reports: [], music: []}
    for i in range(pictures):
        made[photos].append("Holiday photo 2026-%02d-%02d %04d.jpg" % (i % 12 + 1, i % 28 + 1, i))
    for i in range(files - songs - pictures):
        made[reports].append(("Quarterly report %04d.pdf" if i % 2 else "Quarterly report %04d.xlsx") % i)
    for i in range(songs):
        made[music].append(("track %03d - 노래.mp3" if i % 3 == 0 else "track %03d - song.ogg") % i)
    sizes = {}
    for folder, names in made.items():
        for n in names:
            size = rng.randrange(0, 4096)
            with open(os.path.join(folder, n), "wb") as f:
                f.write(b"q" * size)
            sizes[(folder, n)] = str(size)
    owner, ip = host.name, host.ip
    records = [";%s;;휴가 사진 모음;D" % photos, ";%s;;분기 보고서;D" % reports]
    records += ["%s/;%s;;;F" % (music, n) for n in made[music]]
    host.write_shares(records)
    entries = [(n, sizes[(photos, n)], "휴가 사진 모음", photos + "/", owner, ip, "") for n in made[photos]]
    entries += [(n, sizes[(reports, n)], "분기 보고서", reports + "/", owner, ip, "") for n in made[reports]]
    entries += [(n, sizes[(music, n)], "", music + "/", owner, ip, "") for n in made[music]]
    return entries


def add_peer_addresses(peers_host, copy_host, count):
    batch = "".join("address add %s/32 dev eth0\n" % peer_ip(i) for i in range(count))
    r = subprocess.run(["ip", "-n", peers_host.ns, "-batch", "-"], input=batch, text=True, capture_output=True)
    if r.returncode != 0:
        raise RuntimeError("adding peer addresses: " + r.stderr)
    r = subprocess.run(["ip", "-n", copy_host.ns, "route", "add", PEER_NET, "dev", "eth0"], capture_output=True,
                       text=True)
    if r.returncode != 0:
        raise RuntimeError("route to the peers: " + r.stderr)


def announce(sockets, peers, seconds):
    """Every peer's presence to the LAN's broadcast address, spread evenly
    over seconds (0: as fast as they can be sent)."""
    dest = ("10.77.0.255", PORT)
    start = time.time()
    for i, (s, (group, computer, _)) in enumerate(zip(sockets, peers)):
        if seconds > 0:
            due = start + seconds * i / len(peers)
            pause = due - time.time()
            if pause > 0:
                time.sleep(pause)
        s.sendto(presence(group, computer), dest)
    return time.time() - start


def run(build, peers=500, groups=50, browsers=20, searchers=20, files=400, presence_seconds=2.5, log=print,
        timings=None):
    """Runs the load once, the copy with the given intervals (TestLan). Returns (failures, figures)."""
    failures = []
    figures = {}

    def check(ok, message):
        if not ok:
            failures.append(message)
            log("FAIL: " + message)

    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < peers + 256:
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, peers + 1024), hard))
    probe_binary = os.path.join(build, "tests", "lanprobe_load")
    roster = [(group_name(i % groups), computer_name(i), peer_ip(i)) for i in range(peers)]
    browser_ids = [(k * peers) // browsers for k in range(browsers)]
    searcher_ids = [(k * peers) // searchers + 1 for k in range(searchers)]

    with TestLan(build, hosts=2, timings=timings) as lan:
        copy, peer_host = lan.hosts
        own_group = group_name(0)
        copy.write_smb_conf("[global]\n   workgroup = %s\n" % own_group.lower())
        shared = publish(copy, files)
        add_peer_addresses(peer_host, copy, peers)
        sockets = []
        for _, _, ip in roster:
            s = peer_host.socket()
            s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
            s.bind((ip, PORT))
            sockets.append(s)

        probe = Probe(copy, probe_binary, peers + 1)
        if not probe.wait_line("READY", 30):
            check(False, "the copy did not start: %s" % probe.lines[-5:])
            return failures, figures
        time.sleep(0.5)

        sent_at = time.time()
        figures["presence_send_s"] = announce(sockets, roster, presence_seconds)
        complete = probe.wait_line("COMPLETE", 10 + presence_seconds)
        if complete:
            # From the first announcement sent to the tree holding every peer.
            figures["tree_complete_s"] = time.time() - sent_at
            dispatched, span_ms = peers, int(figures["tree_complete_s"] * 1000)
        else:
            # Wait for the tree to stop growing: what it holds now came through.
            while True:
                last = probe.last_line("GROWN")
                time.sleep(1.5)
                if probe.last_line("GROWN") == last or probe.last_line("COMPLETE"):
                    break
            words = (probe.last_line("COMPLETE") or last or "GROWN 1 0").split()
            dispatched = peers if words[0] == "COMPLETE" else int(words[1]) - 1
            span_ms = int(words[2])
        figures["presence_dispatched"] = dispatched
        figures["presence_dispatch_per_s"] = dispatched / (max(1, span_ms) / 1000.0)

        # Browses and searches at once, while every peer announces itself again.
        started = time.time()
        for b in browser_ids:
            sockets[b].sendto(b"@_+L;", (copy.ip, PORT))
        for k, p in enumerate(searcher_ids):
            text = SEARCHES[k % len(SEARCHES)][0]
            sockets[p].sendto(("@_&#;@_+B;" + text).encode("cp949"), ("10.77.0.255", PORT))
        again = threading.Thread(target=announce, args=(sockets, roster, presence_seconds))
        again.start()

        want = {b: len(shared) for b in browser_ids}
        for k, p in enumerate(searcher_ids):
            want[p] = sum(1 for e in shared if SEARCHES[k % len(SEARCHES)][1](e))
        got = {p: [] for p in want}
        counts = {p: 0 for p in want}
        by_fd = {sockets[p].fileno(): p for p in want}
        # With many peers the descriptors go beyond what select() can watch.
        poller = select.poll()
        for fd in by_fd:
            poller.register(fd, select.POLLIN)
        deadline = started + 60 + files / 10
        quiet_until = None
        presence_replies = 0
        while time.time() < deadline:
            if quiet_until is None and all(counts[p] >= want[p] for p in want):
                # Stay a little longer: a datagram too many is a fault as well.
                quiet_until = time.time() + 2
            if quiet_until and time.time() > quiet_until:
                break
            for fd, _ in poller.poll(200):
                p = by_fd[fd]
                data, (src, _) = sockets[p].recvfrom(65536)
                if data.startswith(b"@_&#"):
                    # The copy's own presence, answering a newcomer: not part of any list.
                    presence_replies += 1
                    continue
                got[p].append((src, data))
                entries = read_list_datagram(data)
                counts[p] += len(entries) if entries else 0
        figures["answers_s"] = time.time() - started
        figures["presence_replies"] = presence_replies
        again.join()
        time.sleep(0.5)

        for p in browser_ids:
            datagrams = [d for src, d in got[p]]
            check(all(src == copy.ip for src, _ in got[p]), "browse of %s answered from elsewhere" % roster[p][2])
            check(b"@_+N;" not in datagrams, "browse of %s was told nothing is shared" % roster[p][2])
            entries = [e for d in datagrams for e in (read_list_datagram(d) or [])]
            check(sorted(entries) == sorted(shared),
                  "browse of %s: %d entries in %d datagrams, expected %d" %
                  (roster[p][2], len(entries), len(datagrams), len(shared)))
            for fault in packing_faults(datagrams):
                check(False, "browse of %s: %s" % (roster[p][2], fault))
        sequences = {tuple(d for _, d in got[p]) for p in browser_ids}
        check(len(sequences) == 1, "the browses got %d different lists" % len(sequences))
        figures["browse_datagrams"] = len(got[browser_ids[0]])
        for k, p in enumerate(searcher_ids):
            text, matches = SEARCHES[k % len(SEARCHES)]
            datagrams = [d for _, d in got[p]]
            entries = [e for d in datagrams for e in (read_list_datagram(d) or [])]
            expected = [e for e in shared if matches(e)]
            check(sorted(entries) == sorted(expected),
                  "search %r from %s: %d entries, expected %d" % (text, roster[p][2], len(entries), len(expected)))
            for fault in packing_faults(datagrams):
                check(False, "search %r from %s: %s" % (text, roster[p][2], fault))

        check(probe.wait_line("COMPLETE", 5) is not None, "the peer tree never held all %d peers" % peers)
        out = probe.report()
        figure_lines = [l for l in out if l.split(" ")[0] in
                        ("LONGEST_GAP_MS", "GAPS_OVER_50", "PEAK_RSS_KB", "CPU_MS", "RECEIVE_DROPS")]
        for l in figure_lines:
            log(l)
        values = {}
        for l in figure_lines:
            words = l.split()
            values.update({words[i]: words[i + 1] for i in range(0, len(words) - 1, 2)})
        check("LONGEST_GAP_MS" in values, "the copy gave no report: %s" % out[-5:])
        if "LONGEST_GAP_MS" in values:
            figures["longest_stall_ms"] = float(values["LONGEST_GAP_MS"])
            figures["stall_at_ms"] = int(values["AT_MS"])
            figures["gaps_over_50ms"] = int(values["GAPS_OVER_50"])
            figures["peak_rss_mib"] = int(values["PEAK_RSS_KB"]) / 1024.0
            figures["cpu_s"] = int(values["CPU_MS"]) / 1000.0
            figures["receive_drops"] = values["RECEIVE_DROPS"]
            figures["run_s"] = int(values["RUN_MS"]) / 1000.0
        nodes = [l[5:] for l in out if l.startswith("NODE ")]
        tree_groups = [l[6:] for l in out if l.startswith("GROUP ")]
        expected_nodes = ["%s/%s@%s" % r for r in roster] + ["%s/%s@%s" % (own_group, copy.name, copy.ip)]
        check(sorted(nodes) == sorted(expected_nodes),
              "peer tree: %d computers (%d distinct), expected %d peers and the copy itself; missing %s, extra %s" %
              (len(nodes), len(set(nodes)), peers, sorted(set(expected_nodes) - set(nodes))[:5],
               sorted(set(nodes) - set(expected_nodes))[:5]))
        check(sorted(tree_groups) == sorted({group_name(g) for g in range(groups)}),
              "peer tree: %d groups, expected %d" % (len(tree_groups), groups))
        prompts = [l[7:] for l in out if l.startswith("PROMPT ")]
        check(prompts == [], "the copy asked %s" % prompts)
        for s in sockets:
            s.close()
    return failures, figures
