"""Benchmarks 2 (idle cost) and 3 (memory): the service holding a running companion, beside
programs that only wait."""

import time

import hostproc
from companion import Companion
from figures import ratio, show_ratio, verdict
from layout import BARE_DIR, REF_DIR, SERVICE_DIR, only_pid, place, wait_for_starts
from service import Service

SETTLE_SECONDS = 5
MEMORY_TARGET = 1.2

METHOD = """\
method: the service holds a running companion; beside it, at the same time, ref_waiter
  (starts its own companion the same way, then only waits on its handle) and ref_bare_waiter
  (kernel32 only: opens that companion by id and waits). After 5 s of settling, CPU time (sum
  of /proc/<pid>/task/*/schedstat run time; utime+stime ticks beside it) and voluntary context
  switches (summed over threads) of each Wine process are read before and after the window;
  peak resident memory is VmHWM at the end."""


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
    }


def start_all(prefix):
    """Starts the service and both waiters; returns (service, companions, programs, pids)."""
    service = Service(prefix, SERVICE_DIR)
    ours = Companion(service.host_dir)
    ref = Companion(prefix.host_path(REF_DIR))
    ours.install("run")
    ref.install("run")
    waiter_exe = place(prefix, REF_DIR, "ref_waiter.exe")
    bare_exe = place(prefix, BARE_DIR, "ref_bare_waiter.exe")

    service.install()
    wait_for_starts(ours, 1, 60)
    service_pid = service.unix_pid()
    waiter = prefix.start(waiter_exe)
    wait_for_starts(ref, 1, 60)
    bare = prefix.start(bare_exe, ref.starts()[0][0])
    pids = {
        "service": service_pid,
        "ref_waiter": only_pid(prefix, waiter_exe),
        "ref_bare_waiter": only_pid(prefix, bare_exe),
    }
    return service, (ours, ref), (waiter, bare), pids


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
        report.say(f"{name:16s} peak_rss={d['peak_kib']} KiB rss_now={d['rss_kib']} KiB")
    svc = idle["service"]["peak_kib"]
    against_waiter = ratio(svc, idle["ref_waiter"]["peak_kib"])
    against_bare = ratio(svc, idle["ref_bare_waiter"]["peak_kib"])
    report.say(f"ratio peak RSS (service/ref_waiter): {show_ratio(against_waiter)}; "
               f"service/ref_bare_waiter: {show_ratio(against_bare)}")
    met = against_waiter is not None and against_waiter <= MEMORY_TARGET
    report.say(f"target peak RSS at most {MEMORY_TARGET} x ref_waiter's: {verdict(met)}")


def run(prefix, report, seconds):
    report.heading(f"2. Idle cost over {seconds} s and 3. Memory")
    for line in METHOD.splitlines():
        report.say(line)
    service, companions, programs, pids = start_all(prefix)
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
    for companion in companions:
        companion.stop()
    for program in programs:
        program.wait(timeout=60)
    return service
