"""Benchmark 4: the service's Logger against bare append loops, in one Windows program."""

from figures import ratio, show_ratio, verdict
from layout import LOGGER_DIR, place

THROUGHPUT_TARGET = 0.7
CAP_BYTES = 2048
LONGEST_LINE = len("[2015.07.08 09:05:03 Wednesday]\t[QeltService]: qelt-monitor start success!\r\n")
KINDS = ("logger", "bare", "capped")

METHOD = """\
method: bench_logger.exe (links the service's Logger) times three writers line by line, taking
  turns: logger = Logger::write of "qelt-monitor start success!" (size cap in play: the file is
  begun anew about every 27 lines); bare = CreateFile(FILE_APPEND_DATA)/WriteFile/CloseHandle of
  the same composed line; capped = bare plus GetFileAttributesExA, and DeleteFileA past 2048
  bytes. Lines per second = lines / the sum of their times."""


def parse(out):
    kinds = {}
    for line in out.splitlines():
        parts = line.split()
        if parts and parts[0] in KINDS:
            kinds[parts[0]] = {k: float(v) for k, v in (p.split("=") for p in parts[1:])}
    if set(kinds) != set(KINDS):
        raise RuntimeError(f"bench_logger printed {out!r}")
    return kinds


def run(prefix, report, lines):
    report.heading("4. Log writer")
    for line in METHOD.splitlines():
        report.say(line)
    report.say(f"  {lines} lines of each kind.")
    exe = place(prefix, LOGGER_DIR, "bench_logger.exe")
    done = prefix.run(exe, lines, timeout=900)
    if done.returncode != 0:
        raise RuntimeError(f"bench_logger exited with {done.returncode}")
    kinds = parse(done.stdout.decode("latin-1").replace("\r", ""))
    for name, k in kinds.items():
        report.say(f"{name:7s} lines={k['lines']:.0f} lines_per_second={k['lines_per_second']:.0f} "
                   f"per_line median={k['median_us']:.0f} us p95={k['p95_us']:.0f} us")

    log_bytes = (prefix.host_path(LOGGER_DIR) / "QeltService.log").stat().st_size
    if not 0 < log_bytes <= CAP_BYTES + LONGEST_LINE:
        raise RuntimeError(f"the Logger's file holds {log_bytes} bytes after the run")
    report.say(f"Logger's file after the run: {log_bytes} bytes (within {CAP_BYTES} plus one line)")

    rate = {name: k["lines_per_second"] for name, k in kinds.items()}
    throughput = ratio(rate["logger"], rate["bare"])
    against_capped = ratio(rate["logger"], rate["capped"])
    typical = ratio(kinds["bare"]["median_us"], kinds["logger"]["median_us"])
    report.say(f"ratio lines per second (logger/bare): {show_ratio(throughput)}; logger/capped: "
               f"{show_ratio(against_capped)}; from per-line medians, logger/bare: {show_ratio(typical)}")
    met = throughput is not None and throughput >= THROUGHPUT_TARGET
    report.say(f"target at least {THROUGHPUT_TARGET} x bare: {verdict(met)}")
    report.record("log_writer", dict(kinds, ratio=throughput, ratio_capped=against_capped,
                                     log_bytes=log_bytes))
