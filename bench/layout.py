"""Where the benchmarks and the soak put things in their prefix, and small steps they share."""

import time

import winelab

ROOT = "C:\\qelt-bench"
SERVICE_DIR = ROOT + "\\bin"
REF_DIR = ROOT + "\\ref"
BARE_DIR = ROOT + "\\bare"
REF_SERVICE_DIR = ROOT + "\\refsvc"
LOGGER_DIR = ROOT + "\\logger"
WORK_DIR = winelab.REPO / "build" / "bench"
BUILD_BIN = WORK_DIR / "bin"


def now_ms():
    return int(time.time() * 1000)


def place(prefix, windows_dir, program):
    """Copies a built program into a directory of the prefix; returns its Windows path."""
    host_dir = prefix.host_path(windows_dir)
    host_dir.mkdir(parents=True, exist_ok=True)
    (host_dir / program).write_bytes((BUILD_BIN / program).read_bytes())
    return windows_dir + "\\" + program


def companion(prefix, windows_dir, mode):
    """The companion fixture installed as qelt-monitor.exe in that directory, in `mode`."""
    installed = winelab.Companion(prefix.host_path(windows_dir))
    installed.install(BUILD_BIN / "fixture_companion.exe", mode)
    return installed


def only_pid(prefix, windows_path, timeout=30):
    """The unix pid of the (first) running process of that program in the prefix."""
    name = windows_path.rsplit("\\", 1)[-1]
    return winelab.wait_until(lambda: next(iter(prefix.processes(name)), None), timeout, windows_path)


def wait_for_starts(companion, count, timeout):
    winelab.wait_until(lambda: len(companion.starts()) >= count, timeout,
                       f"{count} starts of the companion in {companion.dir}")


def gaps(companion, since_ms, until_ms):
    """Milliseconds from each exit of the companion to the following start, for starts in
    the window."""
    found = []
    last_exit = None
    for kind, _, value in companion.journal():
        if kind == "exit":
            last_exit = int(value)
        elif kind == "start" and last_exit is not None:
            if since_ms < int(value) <= until_ms:
                found.append(int(value) - last_exit)
            last_exit = None
    return found
