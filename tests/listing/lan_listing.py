"""Browse and search between real copies on the test LAN.

QM1 runs the copy under test (lanprobe_listing, a real main window); QM2 and
QM3 are copies that publish files, QM4 a copy that publishes nothing, QM5 a
scripted peer. Checks: a browse whose answer needs three or more datagrams
shows every entry with the counter's running total and the status line says
when the list is complete; a scripted requester without the marker gets the
list datagrams spaced as the original spaces them, and with the marker the
same datagrams at once and an end datagram; a browse of QM4 says that it
publishes nothing; a search returns exactly the matching files of
QM2 and QM3 and none of the searcher's own; QM4 never answers a search."""
import os
import select
import shutil
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, await_announcements, build_dir_from_args, check, finish, timings_text  # noqa: E402

build = build_dir_from_args()
probe = os.path.join(build, "tests", "lanprobe_listing")
shots = os.environ.get("QM_SHOT_DIR", "")




def make_files(folder, names):
    os.makedirs(folder, exist_ok=True)
    for i, n in enumerate(names):
        with open(os.path.join(folder, n), "wb") as f:
            f.write(b"x" * i)


def run_probe(host, env, shot=None):
    shutil.copy2(probe, host.folder + "lanprobe_listing")
    if shot and shots:
        os.makedirs(shots, exist_ok=True)
        env = dict(env, QM_SHOT=os.path.join(shots, shot))
        if os.environ.get("DISPLAY"):  # on a desktop (tests/guide/xdesk.sh), as a user sees it
            env.update(DISPLAY=os.environ["DISPLAY"], QT_QPA_PLATFORM="xcb")
    r = host.run([host.folder + "lanprobe_listing"], env=env, timeout=90, cwd=host.folder)
    out = r.stdout
    rows = [l[4:].split("|") for l in out.splitlines() if l.startswith("ROW ")]
    counts = next((l[7:] for l in out.splitlines() if l.startswith("COUNTS ")), "")
    prompts = [l[7:] for l in out.splitlines() if l.startswith("PROMPT ")]
    statuses = [l[7:] for l in out.splitlines() if l.startswith("STATUS ")]
    if r.returncode != 0:
        check(False, "probe ended with %d: %s %s" % (r.returncode, out[-500:], r.stderr[-500:]))
    return rows, [int(c) for c in counts.split(",") if c], prompts, statuses


# The spacing of a paced answer is measured here at its real length.
with TestLan(build, hosts=5, timings={"spacing": None}) as lan:
    qm1, qm2, qm3, qm4, qm5 = lan.hosts
    # QM2: a folder whose list needs at least three datagrams, and one file.
    big = os.path.join(qm2.root, "share", "big")
    big_names = ["a-rather-long-file-name-for-the-list-%03d.dat" % i for i in range(130)]
    big_names += [".hidden-alpha.cfg"]
    make_files(big, big_names)
    os.makedirs(os.path.join(big, "sub-alpha"))
    make_files(os.path.join(big, "sub-alpha"), ["inside-alpha.txt"])
    docs = os.path.join(qm2.root, "docs")
    make_files(docs, ["report-alpha.txt", "report.txt"])
    qm2.write_shares([";" + big + ";;;D", docs + "/;report-alpha.txt;;;F", docs + "/;report.txt;;;F"])
    # QM3: a folder whose comment matches, and one with matching names.
    music = os.path.join(qm3.root, "music")
    make_files(music, ["ALPHA song.mp3", "beta.ogg", "노래 alpha.ogg"])
    papers = os.path.join(qm3.root, "papers")
    make_files(papers, ["one.doc", "two.doc"])
    qm3.write_shares([";" + music + ";;음악;D", ";" + papers + ";;alpha papers;D"])
    # QM1 publishes a matching file of its own; it must never see it.
    own = os.path.join(qm1.root, "alpha-own.txt")
    make_files(qm1.root, ["alpha-own.txt"])

    s = qm5.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, b"eth0")  # the namespace has no routes
    s.bind(("0.0.0.0", 8765))
    for h in (qm2, qm3, qm4):
        h.start_program()
    check(await_announcements(s, (qm2, qm3, qm4)), "the copies never announced themselves")

    # Browse QM2.
    rows, counts, prompts, statuses = run_probe(qm1, {"QM_MODE": "browse", "QM_TARGET_IP": qm2.ip, "QM_TARGET_NAME": qm2.name},
                                      "search-page-browse.png")
    want = sorted([(n, big + "/") for n in big_names] + [("report-alpha.txt", docs + "/"), ("report.txt", docs + "/")])
    got = sorted((r[0], r[2]) for r in rows)
    check(got == want, "browse of QM2: %d rows, expected %d" % (len(got), len(want)))
    check(all(r[3] == qm2.name and r[4] == qm2.ip for r in rows), "browse rows name their owner")
    check(counts == sorted(set(counts)) and counts[-1] == len(want), "counter after each datagram: %s" % counts)
    check("목록 수신 완료: %d개" % len(want) in statuses, "status lines of the browse: %s" % statuses)
    check(prompts == [], "browse of QM2 asked %s" % prompts)
    sizes = {r[0]: r[1] for r in rows}
    check(sizes.get(big_names[5]) == "5", "sizes travel: %s" % sizes.get(big_names[5]))

    # Browse QM4, which publishes nothing.
    rows, counts, prompts, statuses = run_probe(qm1, {"QM_MODE": "browse", "QM_TARGET_IP": qm4.ip, "QM_TARGET_NAME": qm4.name})
    check(prompts == ["공개한 파일이 하나도 없습니다"], "browse of QM4: %s" % prompts)
    check(rows == [], "browse of QM4 rows %s" % rows)

    # Search from QM1, waiting as long as the program does: answers come up to 4 s late.
    rows, counts, prompts, statuses = run_probe(qm1, {"QM_MODE": "search", "QM_TEXT": "alpha", "QM_OWN_FILE": own,
                                                      "QUILLMERE_TIMINGS": timings_text(dict(lan.intervals, answer=None))},
                                                "search-page-search.png")
    want = sorted([(".hidden-alpha.cfg", qm2.name), ("report-alpha.txt", qm2.name), ("ALPHA song.mp3", qm3.name),
                   ("노래 alpha.ogg", qm3.name), ("one.doc", qm3.name), ("two.doc", qm3.name)])
    got = sorted((r[0], r[3]) for r in rows)
    check(got == want, "search results %s, expected %s" % (got, want))
    check(prompts == [], "search asked %s" % prompts)

    # A scripted searcher: QM2 and QM3 answer, each after a delay of up to 4 s; QM4 never does.
    s.sendto(b"@_&#;@_+B;alpha", ("255.255.255.255", 8765))
    sources = {}
    deadline = time.time() + 5.5
    while time.time() < deadline:
        ready, _, _ = select.select([s], [], [], 0.5)
        if ready:
            data, (src, _) = s.recvfrom(8192)
            if data.startswith(b"@_+G;"):
                sources.setdefault(src, []).append(data)
    check(set(sources) == {qm2.ip, qm3.ip}, "answers from %s" % sorted(sources))
    for src, datagrams in sources.items():
        check(all(d.endswith(b";#END_LIST#") and len(d) <= 4011 for d in datagrams), "datagrams of %s" % src)

    # A scripted requester: without the marker the answer keeps the original's
    # spacing; with it the same datagrams come at once, then the end datagram.
    def browse_qm2(request, quiet):
        """QM2's answer: what it sends until quiet seconds pass without a datagram (its announcements aside)."""
        s.sendto(request, (qm2.ip, 8765))
        got = []
        last = time.time()
        while True:
            left = last + quiet - time.time()
            if left <= 0 or not select.select([s], [], [], left)[0]:
                return got
            data, (src, _) = s.recvfrom(8192)
            if src == qm2.ip and not data.startswith(b"@_&#;@_&F;"):
                last = time.time()
                got.append((last, data))

    paced = browse_qm2(b"@_+L;", 2.5)
    gaps = [b[0] - a[0] for a, b in zip(paced, paced[1:])]
    check(len(paced) >= 3 and all(d.startswith(b"@_+G;") for _, d in paced), "paced answer: %d datagrams" % len(paced))
    check(all(g >= 1.0 for g in gaps), "paced answer not faster than 1 s apart: %s" % gaps)
    fast = [d for _, d in browse_qm2(b"@_+L;QMF1", 1)]
    check(fast[:-1] == [d for _, d in paced], "marked answer: same list datagrams")
    check(fast[-1:] == [b"@_+E;%d" % len(paced)], "end datagram %s" % fast[-1:])

finish()
