#!/usr/bin/env python3
"""make soak: the service with a companion that exits at once, for SOAK_SECONDS (600 by default),
and a hotfix offered throughout that the trust check refuses (its installer open to everyone), so
that the check runs before every relaunch, as it would some 86,000 times a day.

Passes when, at the end, the same service process still runs and still relaunches the
companion; its handle count and resident memory in the last minute are no higher than in the
first (within a small allowance, below); the log, sampled every 20 ms, never held more than
2048 bytes before its last line; every line ever seen in it was well formed; and the hotfix was
refused. Exits 1 with
the reasons on a failure.
"""

import argparse
import datetime
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tools"))

import hostproc  # noqa: E402
import winelab  # noqa: E402
from layout import BUILD_BIN, WORK_DIR, companion  # noqa: E402
from log_check import LogFault, check_log  # noqa: E402
from service import RUNNING, Service  # noqa: E402

SERVICE_DIR = "C:\\Program Files\\Qelt Soak\\bin"
HANDLE_COUNT = BUILD_BIN / "handle_count.exe"
LOG_INTERVAL = 0.02
PROBE_INTERVAL = 10.0
# A launch in flight holds the new process's handle and the shell's for a moment, and the
# hotfix step the directory, the descriptor and the installer while it checks them, so two
# samples can differ by a few handles without any leak; a leak of one per relaunch would add
# about 50 a minute.
HANDLE_ALLOWANCE = 6
# Wine's heap grows in steps of pages; a leak of even 100 bytes per relaunch would add about
# 6 KiB a minute, 54 KiB over ten.
RSS_ALLOWANCE_KIB = 512


def utc_now():
    """The wall clock as naive UTC, as the service's stamps read with TZ=UTC."""
    return datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)


class Soak:
    def __init__(self, prefix, seconds):
        self.prefix = prefix
        self.seconds = seconds
        self.service = Service(prefix, SERVICE_DIR)
        self.failures = []
        self.probes = []  # (seconds since start, handles, rss KiB)
        self.log_samples = 0
        self.max_log_bytes = 0
        self.longest_last_line = 0
        self.lines_seen = set()

    def fail(self, text):
        print(f"soak: FAIL: {text}", flush=True)
        self.failures.append(text)

    def offer_refused_hotfix(self):
        hotfix = self.prefix.host_path(SERVICE_DIR).parent / "hotfix"
        hotfix.mkdir(parents=True, exist_ok=True)
        (hotfix / "hotfix.ini").write_bytes(b"2.0\r\n0\r\n")
        installer = hotfix / "hotfixs.exe"
        installer.write_bytes(b"MZ")
        # Under Wine o+w gives Everyone write access: the check refuses it, every time.
        installer.chmod(0o666)

    def start(self):
        self.companion = companion(self.prefix, SERVICE_DIR, "exit")
        self.offer_refused_hotfix()
        self.started = utc_now().replace(microsecond=0)
        self.service.install()
        winelab.wait_until(self.companion.starts, 60, "the companion's first start")
        self.unix_pid = self.service.unix_pid()
        self.windows_pid = self.service.status().get("pid")
        if not self.windows_pid:
            raise RuntimeError("svcctl status gave no process id")
        self.begin = time.monotonic()

    def sample_log(self):
        """One sample of the log; a sample caught inside a write is taken again."""
        latest = utc_now() + datetime.timedelta(seconds=2)
        for attempt in range(5):
            try:
                data = self.service.log_path.read_bytes()
            except FileNotFoundError:
                return
            try:
                size, last = check_log(data, self.started, latest)
            except LogFault as fault:
                if attempt < 4 and not data.endswith(b"\r\n"):
                    time.sleep(0.01)
                    continue
                self.fail(f"log: {fault}")
                return
            self.log_samples += 1
            self.lines_seen.update(data.split(b"\r\n"))
            if size > self.max_log_bytes:
                self.max_log_bytes = size
                self.longest_last_line = last
            return

    def probe(self):
        done = self.prefix.run(HANDLE_COUNT, self.windows_pid, timeout=60)
        code, out = done.returncode, done.stdout.decode("latin-1")
        handles = None
        for word in out.split():
            if word.startswith("handles="):
                handles = int(word.split("=", 1)[1])
        if code != 0 or handles is None:
            self.fail(f"handle_count {self.windows_pid} failed ({code}): {out.strip()}")
            return
        _, rss = hostproc.memory_kib(self.unix_pid)
        elapsed = time.monotonic() - self.begin
        self.probes.append((elapsed, handles, rss))
        print(f"soak: {elapsed:6.0f} s handles={handles} rss={rss} KiB "
              f"launches={len(self.companion.starts())} log_max={self.max_log_bytes} B", flush=True)

    def run(self):
        next_probe = 0.0
        while True:
            elapsed = time.monotonic() - self.begin
            if elapsed >= self.seconds:
                break
            if not hostproc.alive(self.unix_pid):
                self.fail(f"the service process ended after {elapsed:.0f} s")
                return
            self.sample_log()
            if elapsed >= next_probe:
                self.probe()
                next_probe += PROBE_INTERVAL
            time.sleep(LOG_INTERVAL)
        self.probe()

    def judge(self):
        status = self.service.status()
        if status.get("state") != RUNNING or status.get("pid") != self.windows_pid:
            self.fail(f"at the end the service is not the same running process: {status}")
        if not hostproc.alive(self.unix_pid):
            self.fail("at the end the service process is gone")
        starts = self.companion.starts()
        newest = starts[-1][1] / 1000 if starts else 0
        if time.time() - newest > 10:
            self.fail(f"the last companion start was {time.time() - newest:.0f} s ago")
        if len(starts) < self.seconds / 2:
            self.fail(f"only {len(starts)} companion starts in {self.seconds} s")
        if not any(b"hotfix not trusted: " in line for line in self.lines_seen):
            self.fail("the offered hotfix was never refused")
        self.judge_flat()
        print(f"soak: {len(starts)} companion starts in {self.seconds} s; {self.log_samples} log samples; "
              f"largest log {self.max_log_bytes} bytes (its last line {self.longest_last_line} bytes); "
              f"{len(self.lines_seen) - 1} distinct lines seen")

    def judge_flat(self):
        window = min(60.0, self.seconds / 3)
        first = [p for p in self.probes if p[0] < window]
        last = [p for p in self.probes if p[0] >= self.seconds - window]
        if not first or not last:
            self.fail("too few probes to compare the first and last minute")
            return
        for index, name, allowance in ((1, "handles", HANDLE_ALLOWANCE), (2, "rss KiB", RSS_ALLOWANCE_KIB)):
            early = [p[index] for p in first]
            late = [p[index] for p in last]
            print(f"soak: {name}: first {window:.0f} s max {max(early)} median {statistics.median(early)}; "
                  f"last {window:.0f} s max {max(late)} median {statistics.median(late)}")
            if max(late) > max(early) + allowance:
                self.fail(f"{name} grew: {max(early)} at most in the first {window:.0f} s, "
                          f"{max(late)} in the last (allowance {allowance})")

    def finish(self):
        try:
            self.service.stop()
            self.service.delete()
        except RuntimeError as error:
            self.fail(f"stopping the service at the end: {error}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=int, default=600)
    args = parser.parse_args()
    if args.seconds < 30:
        parser.error("--seconds must be at least 30")

    prefix = winelab.copy_of_template(WORK_DIR, "soak")
    soak = Soak(prefix, args.seconds)
    try:
        soak.start()
        print(f"soak: service pid {soak.windows_pid} (unix {soak.unix_pid}), {args.seconds} s", flush=True)
        soak.run()
        soak.judge()
        soak.finish()
    finally:
        prefix.remove()
    if soak.failures:
        print(f"soak: FAILED ({len(soak.failures)} problem(s))")
        return 1
    print("soak: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
