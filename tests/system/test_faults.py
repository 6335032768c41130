"""What a machine in the field throws at the service, under Wine: a log that cannot be written,
a companion file that is no program, descriptors of junk, awkward and overlong install paths,
two starts by hand at once, and the prefix's server restarted as at a reboot."""

import functools
import os
import random
import re
import shutil
import subprocess
import unittest

from wineharness import (
    BIN,
    BIN_DIR,
    COMPANION,
    ERROR_SERVICE_DOES_NOT_EXIST,
    EVENT_TIMEOUT,
    EXE,
    INSTALL_ROOT,
    PROGRAM_TIMEOUT,
    SERVICE_RUNNING,
    SVCCTL,
    WINE_RUN,
    LogWatcher,
    SvcctlResult,
    WineTestCase,
    contains_in_order,
    is_interleaving,
    wait_until,
    without_hotfix_step,
)

LAUNCHED = "qelt-monitor start success!"
ENDED = "qelt-monitor  exit!"
STOPPED = "QeltWatch stopped"
STARTED = ["QeltWatch already installed!", "QeltWatch start!"]
FIRST_START_BY_HAND = [
    "QltWatch install success!",
    "StartServiceCtrlDispatcher failed!",
    "QeltWatch start!",
    "StartService success!",
]
ERROR_BAD_EXE_FORMAT = 193
ERROR_FILENAME_EXCED_RANGE = 206
ERROR_SERVICE_ALREADY_RUNNING = 1056
ERROR_SERVICE_EXISTS = 1073
LOG = BIN + r"\QeltService.log"
HOLDER = BIN + r"\fixture_file_holder.exe"
DESCRIPTOR = INSTALL_ROOT + r"\hotfix\hotfix.ini"


def programs_running(prefix, name):
    """Host pids of the processes of the executable file `name` that run in `prefix` (other
    prefixes on the machine may run their own)."""
    wanted = b"WINEPREFIX=" + os.fsencode(prefix.path)
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
    return pids


def service_processes(prefix):
    return programs_running(prefix, "QeltWatch.exe")


def directory_of_length(length, last):
    """A directory on drive C whose Windows path has exactly `length` characters and ends in
    the component `last`, under components of at most 100 letters."""
    path, tail = "C:", "\\" + last
    for letter in "defghijklmnopqrstuvwxyz":
        missing = length - len(path) - len(tail)
        if missing <= 0:
            break
        # A backslash and the letters; never leave a single character for the next one.
        size = min(100, missing - 1)
        if missing - (size + 1) == 1:
            size -= 1
        path += "\\" + letter * size
    path += tail
    assert len(path) == length, (path, length)
    return path


def first_directory(path):
    """The directory right under the drive's root that holds `path`."""
    return "\\".join(path.split("\\")[:2])


class UnwritableLogTest(WineTestCase):
    """The log cannot be written for a while; the service goes on without it."""

    def start_service_with_companion_exiting_at_once(self):
        self.set_companion_mode("exit")
        self.start_service()
        self.wait_for_message(LAUNCHED)
        return self.service_status()["pid"]

    def assert_service_goes_on_without_the_log(self, pid, log_bytes):
        """Three more launches of the companion, by the same service process, and the log
        left exactly as it was: those lines were lost, nothing else."""
        starts = len(self.companion_starts())
        self.wait_for_companion_starts(starts + 3)
        self.assertEqual(self.log_bytes(), log_bytes)
        status = self.service_status()
        self.assertEqual((status["state"], status["pid"]), (str(SERVICE_RUNNING), pid))

    def assert_logging_resumes(self, pid):
        before = len(self.log.messages())
        messages = self.wait_for_log(
            lambda messages: LAUNCHED in messages[before:] and ENDED in messages[before:],
            "new lines of the running service",
        )
        self.assertNotIn(STOPPED, messages)
        self.assertEqual(self.service_status()["pid"], pid)

    def log_bytes(self):
        try:
            return self.path(LOG).read_bytes()
        except FileNotFoundError:
            return None

    def hold_log(self, share, stop):
        """Starts a program that holds the log open, letting others do only `share`; returns
        once it holds it. The open fails while one of the service's lines is being written,
        and is then tried again."""
        self.place(BIN_DIR / "fixture_file_holder.exe", HOLDER)
        output = self.path(BIN + r"\holder.txt")
        for _ in range(20):
            with open(output, "w") as stdout:
                holder = self.start_program(HOLDER, LOG, share, stop, stdout=stdout)
            said = wait_until(lambda: output.read_text().strip(), EVENT_TIMEOUT, "the holder's first word")
            if said == "holding":
                return holder
            self.assertEqual(said, "error 32")
            self.assertEqual(holder.wait(timeout=EVENT_TIMEOUT), 32)
        self.fail("the log could not be held open")

    def test_log_held_open_by_a_program_that_denies_writing_loses_lines_only_while_held(self):
        pid = self.start_service_with_companion_exiting_at_once()

        stop = BIN + r"\holder-stop"
        holder = self.hold_log("r", stop)
        self.assert_service_goes_on_without_the_log(pid, self.log_bytes())

        self.write_file(stop, b"")
        self.assertEqual(holder.wait(timeout=EVENT_TIMEOUT), 0)
        self.assert_logging_resumes(pid)

    def make_read_only(self, directory):
        """Makes a host directory refuse new files until the returned function is called (at
        the latest when the test ends). Wine honours the permission bits, but root writes
        through them (and through the Windows read-only attribute, which Wine maps onto
        them); only an immutable directory refuses root."""
        if os.geteuid() != 0:
            undo = functools.partial(directory.chmod, directory.stat().st_mode)
            directory.chmod(0o555)
        elif shutil.which("chattr") and subprocess.run(["chattr", "+i", str(directory)]).returncode == 0:
            undo = functools.partial(subprocess.run, ["chattr", "-i", str(directory)], check=True)
        else:
            self.skipTest("root cannot make a directory immutable here")
        self.addCleanup(undo)
        with self.assertRaises(PermissionError):
            (directory / "probe").write_bytes(b"")
        return undo

    def test_read_only_program_directory_keeps_the_companion_running_without_a_log(self):
        # Kept as they are while the directory is read-only: the companion's journal (appended
        # to, which is still allowed) and its mode.
        self.set_companion_mode("exit")
        self.write_file(BIN + r"\companion-starts.txt", b"")
        make_writable = self.make_read_only(self.path(BIN))

        self.start_service()
        pid = self.service_status()["pid"]
        self.assert_service_goes_on_without_the_log(pid, None)

        make_writable()
        self.assert_logging_resumes(pid)


class BadFilesTest(WineTestCase):
    """A companion file that is no program, and hotfix descriptors of junk."""

    def assert_launch_fails_and_the_service_restarts(self, code):
        self.start_service()

        failed = "qelt-monitor start failed (%d)" % code
        messages = self.wait_for_message(STOPPED, 2)
        self.assertEqual(messages[:3], STARTED + [failed])
        # The stopped report lets the dispatcher return on the main thread while the service
        # thread writes its last line: these two come in either order.
        self.assertCountEqual(messages[3:5], [STOPPED, "StartServiceCtrlDispatcher success!"])
        self.assertEqual(messages[5], "QeltWatch start!")
        # A new process of the service, started by the old one, fails the same way: the service
        # neither hangs on the file nor gives up.
        self.assertTrue(contains_in_order(messages[6:], STARTED + [failed, STOPPED]), messages)
        self.wait_for_message("StartService success!", 2)
        self.assertNotIn(LAUNCHED, self.log.messages())

    def test_companion_file_that_is_not_a_program_fails_to_launch_and_the_service_restarts(self):
        self.write_file(COMPANION, "This is a text file named qelt-monitor.exe.\r\n")
        self.assert_launch_fails_and_the_service_restarts(ERROR_BAD_EXE_FORMAT)

    def test_directory_named_as_the_companion_is_not_opened_and_the_service_restarts(self):
        # The shell would open it in a file manager window under the service's account, and
        # the loop would wait on that window as if it were the companion.
        self.path(COMPANION).unlink()
        self.path(COMPANION).mkdir()
        self.assert_launch_fails_and_the_service_restarts(ERROR_BAD_EXE_FORMAT)

    def assert_launches_go_on_past_the_descriptor(self, data, refusal):
        """With `data` as the descriptor, each launch of the companion follows the hotfix
        step's refusal of it (a line matching `refusal`); the descriptor stays in place."""
        self.write_file(DESCRIPTOR, data)
        self.set_companion_mode("exit")
        self.start_service()
        self.wait_for_companion_starts(3)
        messages = self.wait_for_message(LAUNCHED, 3)

        self.assertEqual(messages[:2], STARTED)
        launches = [index for index, message in enumerate(messages) if message == LAUNCHED]
        for index in launches:
            self.assertRegex(messages[index - 1], refusal)
        steps = [message for message in messages if re.fullmatch(refusal, message)]
        self.assertEqual(len(steps), len(launches), messages)
        self.assertEqual(self.path(DESCRIPTOR).read_bytes(), data)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))

    def test_descriptor_of_random_bytes_is_refused_and_the_companion_launched_each_time(self):
        data = random.Random(20150708).randbytes(4096)
        self.assert_launches_go_on_past_the_descriptor(
            data, r"getHotfixConfig failed,optType:-?\d+|hotfix version too long \(\d+\)"
        )

    def test_descriptor_of_one_mebibyte_is_refused_and_the_companion_launched_each_time(self):
        # One line with no end: the version alone is far longer than any version can be.
        self.assert_launches_go_on_past_the_descriptor(b"7" * (1 << 20), r"hotfix version too long \(\d+\)")


class InstallPathTest(WineTestCase):
    """Install roots elsewhere than the usual one: with characters that shells and the
    manager treat specially, and near and over the path lengths the service can use."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Wine names host files in the locale's character set; letters outside ASCII need
        # UTF-8. The Windows side then has the ANSI code page 1252, which holds é.
        cls.shared_prefix.env["LC_ALL"] = "C.UTF-8"

    def install_in(self, root, program_directory):
        """Lays out the executable and the companion in `program_directory` (a Windows path)
        under `root`, which is removed when the test ends; returns the executable's path and
        a watcher of the log there."""
        self.addCleanup(shutil.rmtree, self.path(root), True)
        exe = program_directory + r"\QeltWatch.exe"
        self.place(BIN_DIR / "QeltWatch.exe", exe)
        self.place(BIN_DIR / "fixture_companion.exe", program_directory + r"\qelt-monitor.exe")
        log = LogWatcher(self.path(program_directory + r"\QeltService.log"))
        log.start()
        self.addCleanup(log.stop)
        return exe, log

    def registered_binary(self):
        # svcctl prints the path in the ANSI code page.
        completed = subprocess.run(
            [str(WINE_RUN), SVCCTL, "config"],
            env=self.prefix.env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            timeout=PROGRAM_TIMEOUT,
        )
        return SvcctlResult(completed.stdout.decode("cp1252")).values["binary"]

    def wait_for(self, log, predicate, what):
        return wait_until(
            lambda: log.messages() if predicate(without_hotfix_step(log.messages())) else None,
            EVENT_TIMEOUT,
            lambda: "%s; log: %r" % (what, log.messages()),
        )

    def companion_starts_in(self, program_directory):
        try:
            text = self.path(program_directory + r"\companion-starts.txt").read_text(encoding="latin-1")
        except FileNotFoundError:
            return []
        return [line.split() for line in text.splitlines()]

    def assert_started_by_hand_in(self, root):
        """Starts the executable by hand from root\\bin: registered by its quoted path,
        started, its log and a running companion beside it."""
        program_directory = root + r"\bin"
        exe, log = self.install_in(root, program_directory)

        self.assertEqual(self.run_program(exe, capture=False).returncode, 0)
        messages = self.wait_for(log, lambda m: LAUNCHED in m, "the companion's launch")
        self.assertTrue(
            is_interleaving(without_hotfix_step(messages), FIRST_START_BY_HAND, STARTED + [LAUNCHED]), messages
        )
        self.assertEqual(self.registered_binary(), '"%s"' % exe)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))
        # Launched once, by its whole path and with no parameters, and still running.
        records = self.companion_starts_in(program_directory)
        self.assertEqual([record[0] for record in records], ["start", "argc", "cwd"], records)
        self.assertEqual(records[1][2], "1")

    def test_install_root_with_blanks_ampersand_caret_percent_and_parentheses(self):
        # %PATH% and %CD% would be expanded by any command interpreter on the way.
        self.assert_started_by_hand_in(r"C:\Program Files (x86)\Q&A ^caret 100% %PATH% %CD%")

    def test_install_root_with_latin_letters_outside_ascii(self):
        self.assert_started_by_hand_in("C:\\Qelt \u00c9quipe (\u00e9t\u00e9) d\u00e9j\u00e0")

    def test_program_directory_of_242_characters_is_the_longest_that_works(self):
        # The install root is then 240 characters, too long for the hotfix step.
        program_directory = directory_of_length(242, "b")
        exe, log = self.install_in(first_directory(program_directory), program_directory)
        self.register_service('"%s"' % exe)
        self.assertEqual(self.svcctl("start").lines, ["ok"])

        messages = self.wait_for(log, lambda m: LAUNCHED in m, "the companion's launch")
        self.assertEqual(messages, STARTED + ["hotfix path too long (240)", LAUNCHED])
        # The fixture's journal path does not fit beside it, so the process list shows it.
        self.assertEqual(len(programs_running(self.prefix, "qelt-monitor.exe")), 1)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))

    def test_program_directory_of_243_characters_leaves_no_room_for_the_companion_path(self):
        program_directory = directory_of_length(243, "bin")
        exe, log = self.install_in(first_directory(program_directory), program_directory)
        self.register_service('"%s"' % exe)
        self.assertEqual(self.svcctl("start").lines, ["ok"])

        too_long = "qelt-monitor path too long (%d)" % ERROR_FILENAME_EXCED_RANGE
        messages = self.wait_for(log, lambda m: m.count(STOPPED) >= 2, "two ends of the loop")
        self.assertEqual(messages[:3], STARTED + [too_long])
        self.assertCountEqual(messages[3:5], [STOPPED, "StartServiceCtrlDispatcher success!"])
        self.assertEqual(messages[5], "QeltWatch start!")
        self.assertTrue(contains_in_order(messages[6:], STARTED + [too_long, STOPPED]), messages)
        # Nothing is launched, not even the hotfix step runs.
        self.assertNotIn(LAUNCHED, messages)
        self.assertNotIn("getHotfixVersion failed!", messages)
        self.assertEqual(self.companion_starts_in(program_directory), [])

    def test_executable_path_over_259_characters_registers_nothing_and_exits_0(self):
        program_directory = directory_of_length(246, "bin")
        exe, log = self.install_in(first_directory(program_directory), program_directory)
        self.assertEqual(len(exe), 260)

        self.assertEqual(self.run_program(exe, capture=False).returncode, 0)
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(self.companion_starts_in(program_directory), [])
        # Its log path does not fit either: it writes nowhere.
        self.assertEqual(log.lines(), [])
        self.assertFalse(self.path(LOG).exists())


class StartTest(WineTestCase):
    """Starts the service did not begin itself: two by hand at once, and a reboot."""

    fresh_prefix_per_test = True

    def test_two_starts_by_hand_at_once_register_and_run_the_service_once(self):
        processes = [self.start_program(EXE) for _ in range(2)]
        for process in processes:
            self.assertEqual(process.wait(timeout=PROGRAM_TIMEOUT), 0)

        self.wait_for_companion_starts(1)
        messages = self.wait_for_message(LAUNCHED)
        self.assertEqual(messages.count("QltWatch install success!"), 1, messages)
        # The other process found the service registered, or lost the race to register it;
        # the service's own process finds it registered too.
        found = messages.count("QeltWatch already installed!")
        refused = messages.count("CreateService failed (%d)" % ERROR_SERVICE_EXISTS)
        self.assertIn((found, refused), [(2, 0), (1, 1)], messages)
        self.assertEqual(messages.count("StartServiceCtrlDispatcher failed!"), 2, messages)
        self.assertEqual(messages.count("StartService success!"), 1, messages)
        self.assertEqual(messages.count("StartService failed (%d)" % ERROR_SERVICE_ALREADY_RUNNING), 1, messages)

        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))
        self.assertEqual(len(service_processes(self.prefix)), 1)
        self.assertEqual(len(self.companion_starts()), 1)
        self.assertEqual(self.log.messages().count(LAUNCHED), 1)

    def test_service_and_companion_come_back_when_the_prefix_server_restarts(self):
        self.start_service()
        self.wait_for_companion_starts(1)
        before = self.wait_for_message(LAUNCHED)
        pid = self.service_status()["pid"]

        # Every process of the prefix ends with its server, the companion too, as at a
        # shutdown; the next start of the server starts the automatic services.
        self.prefix.stop_server()
        self.assertEqual(service_processes(self.prefix), [])
        self.prefix.start_server()

        self.wait_for_state(SERVICE_RUNNING)
        self.wait_for_companion_starts(2)
        messages = self.wait_for_message(LAUNCHED, 2)
        self.assertEqual(messages[len(before):], STARTED + [LAUNCHED])
        self.assertNotEqual(self.service_status()["pid"], pid)
        self.assertEqual(len(service_processes(self.prefix)), 1)
        self.assertEqual(self.companion_exits(), [])


if __name__ == "__main__":
    unittest.main()
