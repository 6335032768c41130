#!/usr/bin/env python3
"""make bench: the service's cost under Wine, each figure beside a reference program measured
side by side in the same run. Benchmarks are not tests: this prints figures and whether each
target was met, and exits non-zero only when a benchmark could not be run at all. The text
and the figures are also written to build/bench/results.txt and results.json.

  bench/run_bench.py [--idle-seconds 60] [--crash-seconds 60] [--logger-lines 20000]
"""

import argparse
import datetime
import json
import os
import platform
import subprocess
import sys
from pathlib import Path

import bench_idle
import bench_logwriter
import bench_relaunch
import winelab
from figures import Report
from layout import BUILD_BIN, WORK_DIR


def loadavg():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def machine(report):
    model = "unknown"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True, check=False)
    facts = {
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "nproc": os.cpu_count(),
        "cpu": model,
        "wine": wine.stdout.strip(),
        "kernel": platform.release(),
        "load_before": loadavg(),
    }
    report.say("machine: " + ", ".join(f"{k}={v}" for k, v in facts.items()))
    report.record("machine", facts)


def imports_of(exe):
    """{dll: [function names]} from objdump's import tables."""
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(exe)], capture_output=True,
                          text=True, check=True).stdout
    imports = {}
    current = None
    for line in dump.splitlines():
        fields = line.split()
        if line.strip().startswith("DLL Name:"):
            current = imports.setdefault(line.split(":", 1)[1].strip(), [])
        elif not fields:
            current = None
        elif current is not None and len(fields) == 3 and fields[1].isdigit():
            current.append(fields[2])
    return imports


def executable_facts(report):
    report.heading("Executable: size and imports")
    exe = BUILD_BIN / "QeltWatch.exe"
    size = exe.stat().st_size
    imports = imports_of(exe)
    report.say("method: the stripped MinSizeRel build; imports from x86_64-w64-mingw32-objdump -p")
    report.say(f"QeltWatch.exe: {size} bytes ({size / 1024:.0f} KiB)")
    for dll, names in imports.items():
        report.say(f"  {dll} ({len(names)}): {' '.join(sorted(names))}")
    report.record("executable", {"bytes": size, "imports": imports})


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--idle-seconds", type=int, default=60)
    parser.add_argument("--crash-seconds", type=int, default=60)
    parser.add_argument("--logger-lines", type=int, default=20000)
    args = parser.parse_args()

    report = Report()
    report.say("QeltWatch benchmarks (make bench)")
    machine(report)
    executable_facts(report)
    prefix = winelab.copy_of_template(WORK_DIR, "bench")
    try:
        bench_idle.run(prefix, report, args.idle_seconds)
        service = bench_relaunch.run(prefix, report, args.crash_seconds)
        service.delete()
        bench_logwriter.run(prefix, report, args.logger_lines)
    finally:
        prefix.remove()
    report.say()
    report.say(f"load after: {loadavg()}")
    (WORK_DIR / "results.txt").write_text("\n".join(report.lines) + "\n")
    (WORK_DIR / "results.json").write_text(json.dumps(report.figures, indent=2) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
