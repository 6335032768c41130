"""What the host's /proc says about the Linux process that carries a Windows program."""

import os
from pathlib import Path

CLOCK_TICK = os.sysconf("SC_CLK_TCK")


def alive(pid):
    try:
        state = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()[0]
    except OSError:
        return False
    return state not in ("Z", "X")


class Sample:
    """CPU time and context switches of a whole process at one moment."""

    def __init__(self, pid):
        proc = Path(f"/proc/{pid}")
        fields = (proc / "stat").read_text().rsplit(")", 1)[1].split()
        # utime and stime are fields 14 and 15 of stat; after the ")" they are 12th and 13th.
        self.cpu_ticks = int(fields[11]) + int(fields[12])
        self.run_ns = 0
        self.voluntary = 0
        self.involuntary = 0
        self.threads = 0
        self.tids = set()
        for task in (proc / "task").iterdir():
            try:
                self.run_ns += int((task / "schedstat").read_text().split()[0])
                status = (task / "status").read_text()
            except OSError:
                continue
            self.threads += 1
            self.tids.add(task.name)
            self.voluntary += _status_number(status, "voluntary_ctxt_switches")
            self.involuntary += _status_number(status, "nonvoluntary_ctxt_switches")

    @property
    def cpu_seconds(self):
        return self.cpu_ticks / CLOCK_TICK


def cpu_used(before, after):
    """CPU seconds between two samples: the threads' run time in nanoseconds when the same
    threads lived at both ends (a thread that ended takes its run time with it), otherwise
    the process's utime and stime in clock ticks, which keep ended threads' time."""
    if before.tids == after.tids:
        return (after.run_ns - before.run_ns) / 1e9, "schedstat"
    return after.cpu_seconds - before.cpu_seconds, "ticks"


def _status_number(status, key):
    for line in status.splitlines():
        if line.startswith(key + ":"):
            return int(line.split()[1])
    return 0


def memory_kib(pid):
    """(peak resident, current resident) in KiB, from VmHWM and VmRSS."""
    status = Path(f"/proc/{pid}/status").read_text()
    return _status_number(status, "VmHWM"), _status_number(status, "VmRSS")


def private_kib(pid):
    """Resident memory that is the process's own (anonymous), in KiB: the rest of its resident
    set is library pages that every Wine process of the prefix shares."""
    return _status_number(Path(f"/proc/{pid}/smaps_rollup").read_text(), "Anonymous")
