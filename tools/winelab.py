"""Drives Windows programs in private Wine prefixes for the system tests, `make bench` and
`make soak`: prefixes copied from a template, programs run and started through tools/wine-run,
a prefix's processes found in /proc, the service log followed across its size cap, the
companion fixture's journal, and the service-manager helper svcctl.exe.

Every prefix has its own wineserver, started persistent by tools/wine-run and ended with
`wineserver -k` for that prefix only, never by process name.
"""

import datetime
import fcntl
import itertools
import os
import re
import shutil
import subprocess
import threading
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
WINE_RUN = REPO / "tools" / "wine-run"

# A whole run of a program under Wine never takes this long; it only stops a hung caller.
PROGRAM_TIMEOUT = 180

SERVICE_STOPPED = 1
SERVICE_RUNNING = 4


def wait_until(predicate, timeout, what):
    """Polls `predicate` until it returns something true, and returns that; raises
    AssertionError naming `what` (a string, or a function giving one) after `timeout` s."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %s s waiting for %s" % (timeout, what() if callable(what) else what))
        time.sleep(0.05)


def unix_millis():
    return time.time_ns() // 1_000_000


def _process_exists(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


# --- Prefixes ----------------------------------------------------------------------------


class WinePrefix:
    """One Wine prefix. Windows paths are given as C:\\..., host paths as Path. `tz` is the
    time zone its programs see (msvcrt reads POSIX forms such as "IST-5:30"); it, like the
    rest of `env`, takes effect when the prefix's server starts."""

    def __init__(self, path, tz="UTC"):
        self.path = Path(path).resolve()
        self.env = dict(os.environ)
        self.env.update(QELT_WINEPREFIX=str(self.path), WINEPREFIX=str(self.path), WINEDEBUG="-all",
                        QELT_TZ=tz, TZ=tz)

    def start_server(self):
        """Starts the prefix's persistent server and boots the prefix (nothing when it runs)."""
        self.run("cmd", "/c", "exit", "0", capture=False).check_returncode()

    def events(self):
        """The events this prefix's services reported, in order, once it was started with
        QELT_EVENT_LOG in its environment (see tools/wine-run)."""
        try:
            text = Path(self.env["QELT_EVENT_LOG"]).read_text(encoding="latin-1")
        except (KeyError, FileNotFoundError):
            return []
        return parse_events(text)

    def stop_server(self):
        """Ends every process of the prefix and its server, and waits until it is gone."""
        for switch in ("-k", "-w"):
            subprocess.run(["wineserver", switch], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=PROGRAM_TIMEOUT)

    def remove(self):
        self.stop_server()
        shutil.rmtree(self.path, ignore_errors=True)

    def host_path(self, windows_path):
        drive, colon, rest = windows_path.partition(":")
        if drive.upper() != "C" or not colon:
            raise ValueError("not a path on drive C: %r" % windows_path)
        return self.path.joinpath("drive_c", *[part for part in rest.split("\\") if part])

    def run(self, program, *args, timeout=PROGRAM_TIMEOUT, capture=True):
        """Runs a Windows program to its end; returns the CompletedProcess, with its standard
        output as bytes when `capture` is set. Exit codes reach the host cut to 8 bits."""
        return subprocess.run([str(WINE_RUN), str(program), *map(str, args)], env=self.env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE if capture else subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=timeout)

    def start(self, program, *args, stdout=None):
        """Starts a Windows program without waiting for it; its output goes to the open file
        `stdout`, else nowhere (a pipe could be held open by Wine's background processes)."""
        return subprocess.Popen([str(WINE_RUN), str(program), *map(str, args)], env=self.env,
                                stdin=subprocess.DEVNULL, stdout=stdout or subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def processes(self, name):
        """Host pids of this prefix's running processes of the executable file `name`."""
        wanted = b"WINEPREFIX=" + os.fsencode(self.path)
        suffix = b"\\" + name.lower().encode()
        pids = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as file:
                    program = file.read().split(b"\0")[0].rstrip(b" ")
                with open("/proc/%s/environ" % entry, "rb") as file:
                    environment = file.read().split(b"\0")
            except OSError:
                continue
            if program.lower().endswith(suffix) and wanted in environment:
                pids.append(int(entry))
        return sorted(pids)


# --- Events ----------------------------------------------------------------------------------

# Wine's ReportEventA prints the call (type, category, id, ..., number of strings) on the advapi
# channel, then each string on the eventlog channel, each line after the reporting thread's id.
_EVENT_CALL = re.compile(r"(\w+):fixme:advapi:ReportEventW \(\w+,0x(\w+),0x\w+,0x(\w+),\w+,0x(\w+),")
# Wine cuts a string after about 290 characters and writes "..." after the closing quote.
_EVENT_STRING = re.compile(r'(\w+):(?:err|warn|trace):eventlog:ReportEventW L"(.*)"(\.\.\.)?$')
CUT = "...<cut by Wine>"
_ESCAPES = re.compile(r"\\([0-9a-f]{4}|.)")


class Event:
    """One reported event: its type (1 error, 2 warning, 4 information), id and strings."""

    def __init__(self, kind, event_id):
        self.kind, self.id, self.strings = kind, event_id, []

    def __repr__(self):
        return "Event(%d, 0x%08x, %r)" % (self.kind, self.id, self.strings)


def _unescape(text):
    simple = {"n": "\n", "r": "\r", "t": "\t"}
    return _ESCAPES.sub(lambda m: chr(int(m.group(1), 16)) if len(m.group(1)) > 1
                        else simple.get(m.group(1), m.group(1)), text)


def parse_events(text):
    events, current = [], {}
    for line in text.splitlines():
        call = _EVENT_CALL.match(line)
        if call:
            current[call.group(1)] = Event(int(call.group(2), 16), int(call.group(3), 16))
            events.append(current[call.group(1)])
            continue
        string = _EVENT_STRING.match(line)
        if string and string.group(1) in current:
            # A cut string is kept, marked, so that a test comparing it fails rather than
            # missing it.
            current[string.group(1)].strings.append(_unescape(string.group(2)) + (CUT if string.group(3) else ""))
    return events


_copies = itertools.count(1)


def template_prefix(directory):
    """The template prefix in `directory`, made once (by tools/wine-run on first use) and its
    server then ended so that its registry is complete on disk. Safe for several processes."""
    directory = Path(directory)
    directory.mkdir(parents=True, exist_ok=True)
    template = directory / "template"
    with open(directory / "template.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not (template / ".qelt-template-ready").exists():
            if template.exists():
                WinePrefix(template).remove()
            template.mkdir()
            prefix = WinePrefix(template)
            prefix.start_server()
            prefix.stop_server()
            (template / ".qelt-template-ready").touch()
    return template


def copy_of_template(directory, name):
    """A new prefix under `directory`/prefixes, copied from the template. Prefixes left by
    processes that were killed before their clean-up (a time-out) are removed first."""
    template = template_prefix(directory)
    copies = Path(directory) / "prefixes"
    copies.mkdir(exist_ok=True)
    for path in copies.iterdir():
        match = re.fullmatch(r".*-(\d+)-\d+", path.name)
        if match and int(match.group(1)) != os.getpid() and not _process_exists(int(match.group(1))):
            WinePrefix(path).remove()
    path = copies / ("%s-%d-%d" % (name, os.getpid(), next(_copies)))
    subprocess.run(["cp", "-a", str(template), str(path)], check=True, timeout=PROGRAM_TIMEOUT)
    (path / ".qelt-template-ready").unlink()
    return WinePrefix(path)


# --- The service log -----------------------------------------------------------------------

WEEKDAYS = ("Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday")
LOG_LINE = re.compile(rb"\[(\d{4})\.(\d\d)\.(\d\d) (\d\d):(\d\d):(\d\d) (" + "|".join(WEEKDAYS).encode() + rb")\]"
                      rb"\t\[QeltService\]: ([^\r\n]*)\r\n")


class LogLine:
    """One physical line of QeltService.log: its raw bytes (CR LF included) and, when it is
    well formed, its stamp (naive local time), weekday and message."""

    def __init__(self, raw):
        self.raw = raw
        match = LOG_LINE.fullmatch(raw)
        self.well_formed = match is not None
        self.stamp = self.weekday = self.message = None
        if match:
            self.stamp = datetime.datetime(*[int(value) for value in match.groups()[:6]])
            self.weekday = match.group(7).decode()
            self.message = match.group(8).decode("utf-8", "replace")

    def __repr__(self):
        return repr(self.raw)


def split_log(data):
    """Cuts log bytes into whole lines (each ending in CR LF) and the unfinished rest."""
    end = data.rfind(b"\r\n")
    whole = data[: end + 2] if end >= 0 else b""
    return [LogLine(raw + b"\r\n") for raw in whole.split(b"\r\n")[:-1]], data[len(whole):]


class LogWatcher:
    """Follows a log file that the size cap begins anew, and keeps every whole line it ever
    held, in order, with the host's monotonic time at which it was first seen: content that no
    longer starts with what was read before is a new file. Polls every 5 ms; the cap needs some
    30 lines between two polls to hide one."""

    def __init__(self, path):
        self._path = Path(path)
        self._seen = b""
        self._lines = []
        self._arrivals = []
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._thread = threading.Thread(target=self._follow, daemon=True)
        self._thread.start()

    def stop(self):
        self._stopping.set()
        self._thread.join()
        self._poll()

    def _poll(self):
        try:
            data = self._path.read_bytes()
        except (FileNotFoundError, PermissionError):
            data = b""
        whole = data[: len(data) - len(split_log(data)[1])]
        with self._lock:
            fresh = whole[len(self._seen):] if whole.startswith(self._seen) else whole
            self._seen = whole
            lines = split_log(fresh)[0]
            self._lines.extend(lines)
            self._arrivals.extend([time.monotonic()] * len(lines))

    def _follow(self):
        while not self._stopping.is_set():
            self._poll()
            self._stopping.wait(0.005)

    def lines(self):
        self._poll()
        with self._lock:
            return list(self._lines)

    def arrivals(self):
        """When each line was first seen, in seconds of the host's monotonic clock."""
        self._poll()
        with self._lock:
            return list(self._arrivals)

    def messages(self):
        """Every message so far, in order; a malformed line raises AssertionError."""
        lines = self.lines()
        malformed = [line for line in lines if not line.well_formed]
        if malformed:
            raise AssertionError("malformed log lines: %r" % malformed)
        return [line.message for line in lines]


# --- The companion fixture -----------------------------------------------------------------


class Companion:
    """The companion fixture in a host directory: its mode file, stop file and journal
    (companion-starts.txt: "start|exit <pid> <wall-clock ms>", "argc <pid> <n>")."""

    def __init__(self, host_dir):
        self.dir = Path(host_dir)

    def install(self, executable, mode):
        self.dir.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(executable, self.dir / "qelt-monitor.exe")
        self.set_mode(mode)

    def set_mode(self, mode):
        (self.dir / "companion-mode.txt").write_text(mode + "\n")

    def stop(self):
        """Tells one companion in mode run (the first that sees the file) to exit."""
        (self.dir / "companion-stop").touch()

    def journal(self):
        try:
            text = (self.dir / "companion-starts.txt").read_text(encoding="latin-1")
        except FileNotFoundError:
            return []
        records = []
        for line in text.splitlines():
            kind, pid, value = (line.split(" ", 2) + ["", ""])[:3]
            if pid.isdigit():
                records.append((kind, int(pid), value))
        return records

    def starts(self):
        """(pid, ms) of every start, in order."""
        return [(pid, int(value)) for kind, pid, value in self.journal() if kind == "start"]

    def exits(self):
        return [(pid, int(value)) for kind, pid, value in self.journal() if kind == "exit"]

    def record(self, kind, pid):
        return next((value for k, p, value in self.journal() if k == kind and p == pid), None)


# --- The service-manager helper ------------------------------------------------------------


class SvcctlResult:
    """What svcctl printed: its lines, key=value pairs, and the code of an "error <code>"
    line (None when there was none)."""

    def __init__(self, output):
        self.lines = output.splitlines()
        self.values = dict(line.split("=", 1) for line in self.lines if "=" in line)
        errors = [int(line.split()[1]) for line in self.lines if re.fullmatch(r"error \d+", line)]
        self.error = errors[0] if errors else None

    def __repr__(self):
        return "SvcctlResult(%r)" % self.lines


def svcctl(prefix, executable, *args, timeout=PROGRAM_TIMEOUT):
    """Runs svcctl.exe (a Windows path in `prefix`) with `args`. It prints on every path it
    has; no output means Wine did not run it at all (seen once with both cores loaded), so it
    is run once more before that is an error."""
    for _ in range(2):
        completed = prefix.run(executable, *args, timeout=timeout)
        if completed.stdout:
            return SvcctlResult(completed.stdout.decode("utf-8"))
    raise RuntimeError("svcctl %s printed nothing (exit code %d)" % (" ".join(args), completed.returncode))


class ProcessWatch:
    """`svcctl exit-wait` in the background: it holds the service's process (the running one, or
    else the next to start) from the moment it finds it, printing its pid, so that the exit code
    of a process that ends, stopped or by itself, can still be read."""

    def __init__(self, prefix, executable, timeout=60):
        self._output = prefix.path / ("exit-wait-%d.txt" % time.monotonic_ns())
        self._timeout = timeout
        with open(self._output, "w") as stdout:
            self._process = prefix.start(executable, "exit-wait", timeout * 1000, stdout=stdout)

    def _value(self, key):
        def printed():
            lines = self._output.read_text().splitlines()
            if any(line.startswith(("error", "timeout")) for line in lines):
                raise AssertionError("svcctl exit-wait: %r" % lines)
            return SvcctlResult("\n".join(lines)).values.get(key)

        return int(wait_until(printed, self._timeout + 30, "svcctl exit-wait to print " + key))

    def pid(self):
        return self._value("pid")

    def exit_code(self):
        code = self._value("exitcode")
        self._process.wait(timeout=PROGRAM_TIMEOUT)
        return code


def stop_service(prefix, executable, timeout=60):
    """Stops the running service through svcctl.exe and returns the exit code of its process,
    once that has ended."""
    watch = ProcessWatch(prefix, executable, timeout)
    watch.pid()
    stop = svcctl(prefix, executable, "control", 1)
    if stop.lines != ["ok"]:
        raise AssertionError("the stop request was refused: %r" % stop)
    return watch.exit_code()
