"""Takes the pictures of the user's guide from real windows under Xvfb.

Four computers of the test LAN in two workgroups, each running a real copy
with files of its own published: QM1 runs the copy whose windows are shown
(guideshots, a real main window) on an Xvfb display, QM2 is its chat partner,
QM3 and QM4 run the program itself. Writes guide_*.png into --out (default
docs/screenshots). Under CTest it runs as a test into a temporary folder."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import TestLan, unavailable  # noqa: E402

SHOTS = ["guide_peers.png", "guide_shares.png", "guide_browse.png", "guide_search.png", "guide_download.png", "guide_chat.png"]
WORKGROUPS = ["기획팀", "기획팀", "개발팀", "개발팀"]
USERS = ["kim", "park", "lee", "choi"]
# Per host: (path below its home, size in bytes, comment); a path ending in "/" is a published folder.
SHARES = [
    [("문서/보고서_초안.hwp", 48213, "12월 초안"), ("문서/회의록_12월.txt", 1830, ""), ("사진/", 0, "송년회 사진")],
    [("자료실/", 0, "팀 자료"), ("주간보고서.docx", 73216, "이번 주")],
    [("공유/", 0, "개발팀 공용"), ("보고서_양식.hwp", 20480, "양식")],
    [("연간보고서.pdf", 2345678, "2026년"), ("음악/", 0, "")],
]
FILES = {
    1: ["자료실/3월_보고서.hwp", "자료실/예산안.xlsx", "자료실/발표자료.pptx", "자료실/공지.txt",
        "자료실/휴가신청서.hwp"],
    2: ["공유/setup.exe", "공유/readme.txt", "공유/main.cpp"],
    3: ["음악/노래1.mp3", "음악/노래2.mp3"],
    0: ["사진/송년회1.jpg", "사진/송년회2.jpg"],
}
CHAT = ["안녕하세요, 3월 보고서 잘 받았습니다.", "예산안도 자료실에 올려 주실 수 있나요?"]
REPLIES = ["네, 고칠 부분 있으면 알려 주세요.", "지금 올려 두겠습니다."]


def fill(path, size, seed):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write((seed.encode() * (size // max(1, len(seed)) + 1))[:size])


class Desk:
    """A computer's user: files in /home/<user> as the copy sees it (a home folder of the host
    mounted over /home for its programs only), the program folder in /home/<user>/Quillmere."""

    def __init__(self, host, index):
        self.host = host
        self.homes = os.path.join(host.root, "homes")
        self.user = USERS[index]
        self.seen = "/home/" + self.user
        self.mine = os.path.join(self.homes, self.user)
        os.makedirs(os.path.join(self.mine, "Quillmere"))
        for prog in ("quillmere", "Vellicor", "libvellicor-window.so", "guideshots"):
            if os.path.exists(host.folder + prog):
                shutil.copy2(host.folder + prog, os.path.join(self.mine, "Quillmere", prog))
        for rel in FILES.get(index, []):
            fill(os.path.join(self.mine, rel), 4096 + 977 * len(rel) * (index + 1), rel)
        records = []
        for rel, size, comment in SHARES[index]:
            path = self.seen + "/" + rel
            if rel.endswith("/"):
                os.makedirs(os.path.join(self.mine, rel), exist_ok=True)
                records.append(";%s;;%s;D" % (path.rstrip("/"), comment))
            else:
                fill(os.path.join(self.mine, rel), size, rel)
                records.append("%s/;%s;;%s;F" % (os.path.dirname(path), os.path.basename(path), comment))
        host.write_shares(records, os.path.join(self.mine, "Quillmere"))

    def start(self, prog, env=None, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        kw.setdefault("stderr", subprocess.DEVNULL)
        argv = ["unshare", "-m", "--propagation", "private", "sh", "-c", 'mount --bind "$0" /home && exec "$@"',
                self.homes, self.seen + "/Quillmere/" + prog]
        return self.host.popen(argv, env=env, cwd=os.path.join(self.mine, "Quillmere"), **kw)


def start_xvfb():
    if not shutil.which("Xvfb"):
        unavailable("Xvfb is not installed")
    for n in range(90, 120):
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            break
    # Local connections only: the copies reach it through its socket file from their namespaces.
    xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.time() + 10
    while not os.path.exists("/tmp/.X11-unix/X%d" % n):
        if time.time() > deadline or xvfb.poll() is not None:
            xvfb.kill()
            unavailable("Xvfb did not start")
        time.sleep(0.1)
    return xvfb, ":%d" % n


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "..", "docs", "screenshots"))
    args = ap.parse_args()
    probe = os.path.join(os.path.abspath(args.build), "tests", "guideshots")
    xvfb, display = start_xvfb()
    shots = tempfile.mkdtemp(prefix="qmguide-")
    os.chmod(shots, 0o755)
    try:
        # Search answers come up to 4 s late: the search waits as long as the program's does.
        with TestLan(os.path.abspath(args.build), hosts=4, timings={"answer": None}) as lan:
            for h in lan.hosts[:2]:
                shutil.copy2(probe, h.folder + "guideshots")
            desks = []
            for i, h in enumerate(lan.hosts):
                h.write_smb_conf("[global]\n  workgroup = %s\n" % WORKGROUPS[i])
                desks.append(Desk(h, i))
            user, partner, qm3, qm4 = desks
            seen = {"QT_QPA_PLATFORM": "xcb", "DISPLAY": display, "QM_MODE": "user", "QM_SHOT": shots,
                    "QM_PEERS": "QM2,QM3,QM4", "QM_BROWSE": "QM2", "QM_FOLDER": "자료실", "QM_SEARCH": "보고서", "QM_CHAT": "QM2",
                    "QM_LINES": "|".join(CHAT)}
            p = user.start("guideshots", env=seen, stdout=subprocess.PIPE, text=True)
            if not p.stdout.readline().startswith("STARTED"):
                print("FAIL: the copy under the display did not start")
                return 1
            partner.start("guideshots", env={"QM_MODE": "partner", "QM_REPLIES": "|".join(REPLIES)})
            qm3.start("quillmere")
            qm4.start("quillmere")
            out, _ = p.communicate(timeout=200)
            print(out, end="")
            if p.returncode != 0:
                print("FAIL: guideshots ended with %d" % p.returncode)
                return 1
        missing = [s for s in SHOTS if not os.path.getsize(os.path.join(shots, s)) > 10000] \
            if all(os.path.exists(os.path.join(shots, s)) for s in SHOTS) else SHOTS
        if missing:
            print("FAIL: pictures missing or empty: %s" % ", ".join(missing))
            return 1
        os.makedirs(args.out, exist_ok=True)
        for s in SHOTS:
            shutil.copy(os.path.join(shots, s), os.path.join(args.out, s))
        print("pictures in %s" % os.path.abspath(args.out))
        return 0
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(shots, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
