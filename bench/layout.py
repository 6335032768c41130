"""Where the benchmarks put things in their prefix, and small steps they share."""

import time

import hostproc
import winelab
from companion import BUILD_BIN

ROOT = "C:\\qelt-bench"
SERVICE_DIR = ROOT + "\\bin"
REF_DIR = ROOT + "\\ref"
BARE_DIR = ROOT + "\\bare"
REF_SERVICE_DIR = ROOT + "\\refsvc"
LOGGER_DIR = ROOT + "\\logger"
WORK_DIR = winelab.REPO / "build" / "bench"


def now_ms():
    return int(time.time() * 1000)


def place(prefix, windows_dir, program):
    """Copies a built program into a directory of the prefix; returns its Windows path."""
    host_dir = prefix.host_path(windows_dir)
    host_dir.mkdir(parents=True, exist_ok=True)
    (host_dir / program).write_bytes((BUILD_BIN / program).read_bytes())
    return windows_dir + "\\" + program


def only_pid(prefix, windows_path, timeout=30):
    """The unix pid of the (first) running process of that program in the prefix."""
    def first():
        pids = hostproc.wine_pids(prefix.path, windows_path)
        return pids[0] if pids else None

    pid = winelab.wait_for(first, timeout)
    if pid is None:
        raise RuntimeError(f"{windows_path} is not running")
    return pid


def wait_for_starts(companion, count, timeout):
    if not winelab.wait_for(lambda: len(companion.starts()) >= count, timeout, interval=0.1):
        raise RuntimeError(f"the companion in {companion.dir} did not start")
