"""Benchmarks 2 (idle cost) and 3 (memory): the service holding a running companion, beside
programs that only wait."""

import time

import hostproc
from figures import ratio, show_ratio, verdict
from layout import (BARE_DIR, REF_DIR, REF_SERVICE_DIR, SERVICE_DIR, companion, only_pid, place,
                    wait_for_starts)
from service import Service

SETTLE_SECONDS = 5
MEMORY_TARGET = 1.2

METHOD = """\
method: the service holds a running companion; beside it, at the same time, ref_waiter
  (starts its own companion the same way, then only waits on its handle), ref_bare_waiter
  (kernel32 only: opens that companion by id and waits) and ref_service (the least service
  that keeps a companion: dispatcher, service main, the same launch, the wait). After 5 s of
  settling, CPU time (sum of /proc/<pid>/task/*/schedstat run time; utime+stime ticks beside
  it) and voluntary context switches (summed over threads) of each Wine process are read
  before and after the window; peak resident memory is VmHWM at the end, and the private part
  is Anonymous from smaps_rollup (the rest is pages of Wine's libraries, shared by the
  prefix's processes)."""


def idle_figures(before, after, pid):
    cpu, source = hostproc.cpu_used(before, after)
    peak, now = hostproc.memory_kib(pid)
    return {
        "cpu_us": cpu * 1e6,
        "cpu_source": source,
        "cpu_ticks": after.cpu_ticks - before.cpu_ticks,
        "voluntary": after.voluntary - before.voluntary,
        "involuntary": after.involuntary - before.involuntary,
        "threads": after.threads,
        "peak_kib": peak,
        "rss_kib": now,
        "private_kib": hostproc.private_kib(pid),
    }


class RefService:
    """ref_service.exe registered under its own name with Wine's sc, holding its companion."""

    NAME = "QeltBenchRef"

    def __init__(self, prefix):
        self.prefix = prefix

    def start(self):
        self.companion = companion(self.prefix, REF_SERVICE_DIR, "run")
        self.exe = place(self.prefix, REF_SERVICE_DIR, "ref_service.exe")
        for args in (("create", self.NAME, "binpath=", self.exe), ("start", self.NAME)):
            done = self.prefix.run("sc", *args)
            if done.returncode != 0:
                raise RuntimeError(f"sc {args[0]} {self.NAME} failed ({done.returncode}): {done.stdout!r}")
        wait_for_starts(self.companion, 1, 60)
        return only_pid(self.prefix, self.exe)

    def remove(self):
        self.prefix.run("sc", "stop", self.NAME)
        self.companion.stop()
        self.prefix.run("sc", "delete", self.NAME)


def start_all(prefix):
    """Starts the service and the references; returns (service, ref service, companions,
    programs, pids)."""
    service = Service(prefix, SERVICE_DIR)
    ours = companion(prefix, SERVICE_DIR, "run")
    ref = companion(prefix, REF_DIR, "run")
    waiter_exe = place(prefix, REF_DIR, "ref_waiter.exe")
    bare_exe = place(prefix, BARE_DIR, "ref_bare_waiter.exe")

    service.install()
    wait_for_starts(ours, 1, 60)
    service_pid = service.unix_pid()
    waiter = prefix.start(waiter_exe)
    wait_for_starts(ref, 1, 60)
    bare = prefix.start(bare_exe, ref.starts()[0][0])
    ref_service = RefService(prefix)
    pids = {
        "service": service_pid,
        "ref_waiter": only_pid(prefix, waiter_exe),
        "ref_bare_waiter": only_pid(prefix, bare_exe),
        "ref_service": ref_service.start(),
    }
    return service, ref_service, (ours, ref), (waiter, bare), pids


def report_idle(report, idle):
    for name, d in idle.items():
        report.say(f"{name:16s} cpu={d['cpu_us']:.0f} us ({d['cpu_source']}; {d['cpu_ticks']} ticks) "
                   f"voluntary_switches={d['voluntary']} involuntary={d['involuntary']} "
                   f"threads={d['threads']}")
    svc, ref = idle["service"], idle["ref_waiter"]
    met = svc["cpu_us"] <= ref["cpu_us"] and svc["voluntary"] <= ref["voluntary"]
    report.say(f"ratio cpu (service/ref_waiter): {show_ratio(ratio(svc['cpu_us'], ref['cpu_us']))}; "
               f"voluntary switches: {show_ratio(ratio(svc['voluntary'], ref['voluntary']))}")
    report.say(f"target idle CPU time and voluntary switches no more than ref_waiter's: {verdict(met)}")


def report_memory(report, idle):
    report.say()
    for name, d in idle.items():
        report.say(f"{name:16s} peak_rss={d['peak_kib']} KiB rss_now={d['rss_kib']} KiB "
                   f"private_now={d['private_kib']} KiB")
    svc = idle["service"]["peak_kib"]
    against_waiter = ratio(svc, idle["ref_waiter"]["peak_kib"])
    against_bare = ratio(svc, idle["ref_bare_waiter"]["peak_kib"])
    against_service = ratio(svc, idle["ref_service"]["peak_kib"])
    private = {name: ratio(idle["service"]["private_kib"], idle[name]["private_kib"])
               for name in ("ref_waiter", "ref_service")}
    report.say(f"ratio peak RSS, service against ref_waiter: {show_ratio(against_waiter)}; "
               f"ref_bare_waiter: {show_ratio(against_bare)}; ref_service: {show_ratio(against_service)}")
    report.say(f"ratio private memory now, service against ref_waiter: {show_ratio(private['ref_waiter'])}; "
               f"ref_service: {show_ratio(private['ref_service'])}")
    met = against_waiter is not None and against_waiter <= MEMORY_TARGET
    report.say(f"target peak RSS at most {MEMORY_TARGET} x ref_waiter's: {verdict(met)}")


def run(prefix, report, seconds):
    report.heading(f"2. Idle cost over {seconds} s and 3. Memory")
    for line in METHOD.splitlines():
        report.say(line)
    service, ref_service, companions, programs, pids = start_all(prefix)
    time.sleep(SETTLE_SECONDS)
    before = {name: hostproc.Sample(pid) for name, pid in pids.items()}
    time.sleep(seconds)
    after = {name: hostproc.Sample(pid) for name, pid in pids.items()}
    idle = {name: idle_figures(before[name], after[name], pid) for name, pid in pids.items()}
    report_idle(report, idle)
    report_memory(report, idle)
    report.record("idle_seconds", seconds)
    report.record("idle", idle)

    service.stop()
    ref_service.remove()
    for each in companions:
        each.stop()
    for program in programs:
        program.wait(timeout=60)
    return service
