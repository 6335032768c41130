"""Benchmarks 1 (relaunch overhead) and 5 (crash loop): a companion that exits at once, under
the service and under a minimal relauncher, side by side."""

import time

import hostproc
import winelab
from figures import median, percentile, ratio, show_ratio, verdict
from layout import REF_DIR, SERVICE_DIR, gaps, now_ms, only_pid, place, wait_for_starts
from service import Service

PAUSE_MS = 1000
OVERHEAD_TARGET = 1.2
CRASH_LOOP_CPU_TARGET = 1.5

METHOD = """\
method: the companion exits at once. The service and ref_relauncher (launches the same companion
  the same way: ShellExecuteExA with NOCLOSEPROCESS|FLAG_NO_UI|NOZONECHECKS, hidden; waits; sleeps 1000 ms)
  run side by side, each with its own copy of the companion. Overhead of one relaunch = the
  next companion's start record - the previous companion's exit record - 1000 ms (both are the
  companion's own wall-clock times). CPU time of each Wine process over the window (its threads'
  schedstat run time when no thread came or went, else utime+stime), divided by the launches
  in the window."""


def figures(companion, before, after, start_ms, end_ms):
    overheads = [gap - PAUSE_MS for gap in gaps(companion, start_ms, end_ms)]
    launches = sum(1 for _, ms in companion.starts() if start_ms < ms <= end_ms)
    cpu, source = hostproc.cpu_used(before, after)
    return {
        "samples": len(overheads),
        "median_ms": median(overheads),
        "p95_ms": percentile(overheads, 0.95),
        "min_ms": min(overheads),
        "max_ms": max(overheads),
        "launches": launches,
        "per_second": launches / ((end_ms - start_ms) / 1000),
        "cpu_s": cpu,
        "cpu_source": source,
        "cpu_ticks": after.cpu_ticks - before.cpu_ticks,
        "cpu_ms_per_launch": 1000 * cpu / launches if launches else None,
    }


def report_overhead(report, results):
    for name, r in results.items():
        report.say(f"{name:15s} overhead n={r['samples']} median={r['median_ms']:.1f} ms "
                   f"p95={r['p95_ms']:.1f} ms (min {r['min_ms']}, max {r['max_ms']})")
    svc, ref = results["service"], results["ref_relauncher"]
    median_ratio = ratio(svc["median_ms"], ref["median_ms"])
    report.say(f"ratio overhead median (service/ref_relauncher): {show_ratio(median_ratio)}; "
               f"p95: {show_ratio(ratio(svc['p95_ms'], ref['p95_ms']))}")
    met = median_ratio is not None and median_ratio <= OVERHEAD_TARGET
    report.say(f"target overhead at most {OVERHEAD_TARGET} x the reference's: {verdict(met)}")


def report_crash_loop(report, results):
    report.say()
    for name, r in results.items():
        per = r["cpu_ms_per_launch"]
        report.say(f"{name:15s} launches={r['launches']} per_second={r['per_second']:.3f} "
                   f"cpu={r['cpu_s'] * 1000:.1f} ms ({r['cpu_source']}; {r['cpu_ticks']} ticks) "
                   f"cpu_per_launch={'n/a' if per is None else f'{per:.2f} ms'}")
    per_launch = ratio(results["service"]["cpu_ms_per_launch"] or 0,
                       results["ref_relauncher"]["cpu_ms_per_launch"] or 0)
    report.say(f"ratio CPU per launch (service/ref_relauncher): {show_ratio(per_launch)}")
    met = per_launch is not None and per_launch <= CRASH_LOOP_CPU_TARGET
    report.say(f"target CPU per launch at most {CRASH_LOOP_CPU_TARGET} x the reference's: {verdict(met)}")


def run(prefix, report, seconds):
    """Runs after bench_idle: the service is registered and stopped, the companions copied."""
    report.heading(f"1. Relaunch overhead and 5. Crash loop over {seconds} s")
    for line in METHOD.splitlines():
        report.say(line)
    service = Service(prefix, SERVICE_DIR)
    ours = winelab.Companion(service.host_dir)
    ref = winelab.Companion(prefix.host_path(REF_DIR))
    for companion in (ours, ref):
        companion.set_mode("exit")
        (companion.dir / "companion-starts.txt").unlink(missing_ok=True)
    relauncher_exe = place(prefix, REF_DIR, "ref_relauncher.exe")

    service.start()
    wait_for_starts(ours, 1, 60)
    # More launches than the window lasts seconds, so the reference outlives the window.
    relauncher = prefix.start(relauncher_exe, seconds + 4)
    wait_for_starts(ref, 1, 60)
    pids = {"service": service.unix_pid(), "ref_relauncher": only_pid(prefix, relauncher_exe)}
    start_ms = now_ms()
    before = {name: hostproc.Sample(pid) for name, pid in pids.items()}
    time.sleep(seconds)
    after = {name: hostproc.Sample(pid) for name, pid in pids.items()}
    end_ms = now_ms()
    service.stop()
    relauncher.wait(timeout=60)

    results = {name: figures(companion, before[name], after[name], start_ms, end_ms)
               for name, companion in (("service", ours), ("ref_relauncher", ref))}
    report_overhead(report, results)
    report_crash_loop(report, results)
    report.record("crash_seconds", seconds)
    report.record("crash", results)
    return service
