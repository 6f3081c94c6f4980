"""The copy under test stays responsive under load on the test LAN: 500 peers
in 50 workgroups announce themselves within a few seconds, then 20 of them
ask for its share list and 20 search at once while all announce themselves
again. The main thread never stops reacting for 200 ms or more, every
browse gets the whole list, every search its whole answer, and the peer
tree holds every peer exactly once (see loadlan.py)."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "lan"))
from testlan import build_dir_from_args  # noqa: E402
import loadlan  # noqa: E402

STALL_LIMIT_MS = 200

# The peers announce only twice: in a short rhythm the copy would dim them while the test looks at its tree.
failures, figures = loadlan.run(build_dir_from_args(), timings={"announce": None})
print(" ".join("%s=%s" % (k, ("%.2f" % v) if isinstance(v, float) else v) for k, v in sorted(figures.items())))
stall = figures.get("longest_stall_ms")
if stall is not None and stall >= STALL_LIMIT_MS:
    failures.append("the main thread stalled for %.1f ms (at %d ms into the run)" % (stall, figures["stall_at_ms"]))
    print("FAIL: " + failures[-1])
if failures:
    sys.exit(1)
print("ok")
