"""The base of the system tests: the real QeltWatch.exe and the fixture programs in a private Wine
prefix copied from a template (tools/winelab.py). Each test lays out a program directory, follows
its log, and at its end the service is disabled, stopped and deleted, and the prefix's server and
everything in it ended and the prefix removed, whatever happened. Every test has a prefix of its
own, so tests may run side by side.

Environment: QELT_BUILD_DIR, the CMake build tree (default build/windows); QELT_BIN_DIR, where
the executables are (default its bin)."""

import os
import re
import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

import winelab  # noqa: E402
from winelab import SERVICE_RUNNING, SERVICE_STOPPED, unix_millis, wait_until  # noqa: E402,F401

# Wine gives Everyone write access to what the mode lets others write: the scenarios' own files
# are safe unless a test opens them.
os.umask(0o022)

BUILD_DIR = Path(os.environ.get("QELT_BUILD_DIR", winelab.REPO / "build" / "windows"))
BIN_DIR = Path(os.environ.get("QELT_BIN_DIR", BUILD_DIR / "bin"))
SVCCTL = r"C:\qelt-tests\svcctl.exe"
# Waiting for something the service does: generous, since a loaded machine is slow.
EVENT_TIMEOUT = 60

LAUNCHED = "qelt-monitor start success!"
ENDED = "qelt-monitor  exit!"
NO_HOTFIX = "getHotfixVersion failed!"
STARTED = ["QeltWatch already installed!", "QeltWatch start!"]
# A start by hand that registers the service; the service's own lines come among these.
FIRST_START_BY_HAND = [
    "QltWatch install success!",
    "StartServiceCtrlDispatcher failed!",
    "QeltWatch start!",
    "StartService success!",
]
ERROR_SERVICE_DOES_NOT_EXIST = 1060
ERROR, WARNING, INFORMATION = 1, 2, 4
EVENT_SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\QeltWatch"
DESCRIPTION = "Keeps the companion program qelt-monitor.exe running and applies a pending hotfix before each launch."
VERSION = (winelab.REPO / "VERSION").read_text().strip()
# The event ids of the build's message table, by name (EVENT_SERVICE_STARTED: 0x40000002, ...).
EVENT = {name: int(value, 16) for name, value in re.findall(
    r"#define (EVENT_\w+) \(DWORD\) 0x([0-9a-fA-F]+)", (BUILD_DIR / "events" / "event_messages.h").read_text())}


def is_interleaving(lines, first, second):
    """True when `lines` is `first` and `second` merged, each in its own order: the lines of two
    processes that write to one log at the same time."""
    reachable = {(0, 0)}
    for line in lines:
        reachable = {step for i, j in reachable for step, fits in (
            ((i + 1, j), i < len(first) and first[i] == line),
            ((i, j + 1), j < len(second) and second[j] == line)) if fits}
    return (len(first), len(second)) in reachable


class Installation:
    """QeltWatch.exe and the companion fixture (as qelt-monitor.exe) in a program directory (put
    there unless `place` is false), with its log followed and read step by step: each step takes
    the lines written since the last."""

    def __init__(self, test, directory, place=True):
        self.directory = directory
        self.exe = directory + r"\QeltWatch.exe"
        if place:
            test.place(BIN_DIR / "QeltWatch.exe", self.exe)
            test.place(BIN_DIR / "fixture_companion.exe", directory + r"\qelt-monitor.exe")
        self.companion = winelab.Companion(test.path(directory))
        self.log = winelab.LogWatcher(test.path(directory + r"\QeltService.log"))
        test.addCleanup(self.log.stop)
        self.seen = 0

    def unseen(self):
        return self.log.messages()[self.seen:]

    def wait_for_log(self, predicate, what):
        """Waits until `predicate` holds for the messages not taken yet, and returns them."""

        def holds():
            messages = self.unseen()
            return messages if predicate(messages) else None

        return wait_until(holds, EVENT_TIMEOUT, lambda: "%s; log: %r" % (what, self.log.messages()))

    def take(self, count):
        """The next `count` messages, once they are written."""
        self.wait_for_log(lambda messages: len(messages) >= count, "%d more lines" % count)
        self.seen += count
        return self.log.messages()[self.seen - count:self.seen]

    def take_launch(self):
        """The messages up to and including the next launch of the companion."""
        messages = self.wait_for_log(lambda messages: LAUNCHED in messages, "a launch")
        return self.take(messages.index(LAUNCHED) + 1)

    def wait_for_starts(self, count):
        """(pid, ms) of the companion's starts here, once there are `count`."""
        return wait_until(lambda: self.companion.starts() if len(self.companion.starts()) >= count else None,
                          EVENT_TIMEOUT, lambda: "%d starts; journal: %r" % (count, self.companion.journal()))


class WineTestCase(unittest.TestCase):
    """A test against the real service control manager of a private prefix, with the service's
    executable and the companion in `program_directory` (self.installation; left empty when
    `place_programs` is false) and svcctl.exe. `prefix_env` is set before the prefix's server
    starts (a time zone, a locale)."""

    program_directory = r"C:\Program Files\Qelt Suite\bin"
    place_programs = True
    prefix_env = {}

    def setUp(self):
        self._programs = []
        self.addCleanup(self._reap_programs)
        self.prefix = winelab.copy_of_template(BUILD_DIR / "systest", type(self).__name__)
        self.prefix.env.update(self.prefix_env, QELT_EVENT_LOG=str(self.prefix.path / "events.txt"))
        self.addCleanup(self.prefix.remove)
        self.prefix.start_server()
        self.place(BIN_DIR / "svcctl.exe", SVCCTL)
        self.addCleanup(self._remove_service)
        self.installation = Installation(self, self.program_directory, self.place_programs)
        self.log = self.installation.log
        self.companion = self.installation.companion

    def _reap_programs(self):
        # Run once the prefix's server is gone, and with it the programs' Windows side.
        for process in self._programs:
            process.kill()
            process.wait()

    def _remove_service(self):
        # Disabled first, so that a service that restarts itself cannot come back between the
        # stop and the delete.
        if self.svcctl("disable").error == ERROR_SERVICE_DOES_NOT_EXIST:
            return
        self.svcctl("control", "1")
        self.wait_for_state(SERVICE_STOPPED)
        self.svcctl("delete")
        # Gone once the last handle to it is closed (a process of its own may still hold one).
        wait_until(lambda: self.svcctl("status").error == ERROR_SERVICE_DOES_NOT_EXIST, EVENT_TIMEOUT,
                   "the service's deletion")

    def registry_values(self, key):
        """The values of the registry key `key` as `reg query` shows them ({name: text}); None
        when there is no such key."""
        # Asked twice before the key counts as missing: under load Wine has been seen not to run a
        # program at all.
        completed = self.prefix.run("reg", "query", key)
        if completed.returncode != 0:
            completed = self.prefix.run("reg", "query", key)
        if completed.returncode != 0:
            return None
        # reg writes in the console's (OEM) code page, 850 in a Western locale.
        lines = completed.stdout.decode("cp850").splitlines()
        return {name: value for name, _, value in (line.strip().split("    ", 2) for line in lines
                                                     if line.startswith("    ") and line.count("    ") >= 3)}

    def events(self, name):
        """(level, strings) of each event `name` (EVENT_...) that the service reported so far."""
        return [(event.kind, event.strings) for event in self.prefix.events() if event.id == EVENT[name]]

    # Files on the prefix's drive C.

    def path(self, windows_path):
        return self.prefix.host_path(windows_path)

    def place(self, source, windows_path):
        target = self.path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)
        return target

    def write_file(self, windows_path, data):
        target = self.path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data if isinstance(data, bytes) else data.encode())
        return target

    # Programs and the service manager.

    def run_program(self, windows_path, *args):
        """Runs a program to its end and returns its exit code (cut to 8 bits)."""
        return self.prefix.run(windows_path, *args, capture=False).returncode

    def start_program(self, windows_path, *args, stdout=None):
        process = self.prefix.start(windows_path, *args, stdout=stdout)
        self._programs.append(process)
        return process

    def svcctl(self, *args):
        return winelab.svcctl(self.prefix, SVCCTL, *args)

    def register_service(self, exe=None):
        """Registers the service as the executable registers itself (quoted path, own process,
        automatic start), without the 13 s of a start by hand under Wine."""
        self.assertEqual(self.svcctl("create", '"%s"' % (exe or self.installation.exe)).lines, ["ok"])

    def start_service(self):
        """Registers and starts the service; returns when the manager's start has returned."""
        self.register_service()
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        return unix_millis()

    def wait_for_state(self, state):
        wait_until(lambda: self.svcctl("status").values.get("state") == str(state), EVENT_TIMEOUT, "state %d" % state)

    def service_status(self):
        status = self.svcctl("status")
        self.assertIsNone(status.error, status.lines)
        return status.values

    def take_stop(self):
        """The six lines of a stop request, the last one written just before the process ends:
        the stop ends the supervision loop too, which lets go of the companion's wait."""
        lines = self.installation.take(6)
        self.assertEqual((lines[0], lines[5]), ("SERVICE_CONTROL_STOP", "QeltWatch Exit"), lines)
        # Wine runs the handler on a thread of its own: the dispatcher may return before it has
        # written its last line, and the service thread writes its own two meanwhile.
        handler = [line for line in lines[1:5] if line in ("bExit:1", "StartServiceCtrlDispatcher success!")]
        self.assertCountEqual(handler, ["bExit:1", "StartServiceCtrlDispatcher success!"], lines)
        self.assertEqual([line for line in lines[1:5] if line not in handler],
                         ["Qelt-watch Exit!", "QeltWatch stopped"], lines)

    def stop_service_and_check(self):
        """Stops the service: its process ends with exit code 0, after the stop's four lines."""
        self.assertEqual(winelab.stop_service(self.prefix, SVCCTL, EVENT_TIMEOUT), 0)
        self.take_stop()
        self.assertEqual(self.service_status()["state"], str(SERVICE_STOPPED))
