"""The hotfix step inside the running service under Wine: the installer's run before a launch of
the companion, its arguments and the wait for it, an installer that leaves the descriptor,
crashes, hangs or is no program, and the clean-up of a hotfix directory without an installer in
install roots whose paths the command interpreter would misread."""

import shutil
import time
import unittest

from wineharness import (
    BIN_DIR,
    INSTALL_ROOT,
    NO_HOTFIX_LINE,
    SERVICE_STOPPED,
    EVENT_TIMEOUT,
    LogWatcher,
    WineTestCase,
    wait_until,
)

STARTED = ["QeltWatch already installed!", "QeltWatch start!"]
LAUNCHED = "qelt-monitor start success!"
ENDED = "qelt-monitor  exit!"

HOTFIX = INSTALL_ROOT + r"\hotfix"
DESCRIPTOR = HOTFIX + r"\hotfix.ini"
INSTALLER = HOTFIX + r"\hotfixs.exe"


def parameters(hotfix_directory, version, verb):
    """The parameter string the service hands the installer, as it logs it."""
    return '"%s" %s %s' % (hotfix_directory, version, verb)


class InstallerRun:
    """One run of the installer fixture, as it recorded itself: its command line, the
    arguments the C run-time parsed (without the program's own name), and the wall-clock
    milliseconds of its begin, its normal end and its crash (None when not recorded)."""

    def __init__(self, cmdline):
        self.cmdline = cmdline
        self.argc = None
        self.args = []
        self.begin = None
        self.end = None
        self.crash = None

    def __repr__(self):
        return "InstallerRun(%r, begin=%r, end=%r, crash=%r)" % (self.cmdline, self.begin, self.end, self.crash)


def read_installer_runs(journal):
    try:
        text = journal.read_text(encoding="latin-1")
    except FileNotFoundError:
        return []
    runs = []
    for line in text.splitlines():
        kind, _, value = line.partition(" ")
        if kind == "cmdline":
            runs.append(InstallerRun(value))
        elif kind == "argc":
            runs[-1].argc = int(value)
        elif kind == "arg":
            index, _, argument = value.partition(" ")
            if index != "0":
                runs[-1].args.append(argument)
        elif kind in ("begin", "end", "crash"):
            setattr(runs[-1], kind, int(value))
    return runs


def log_of_launches(count, *hotfix_lines):
    """The log of a service that has launched the companion `count` times, the companion
    having ended before each relaunch, and the hotfix step having written `hotfix_lines` before
    each launch."""
    messages = list(STARTED)
    for index in range(count):
        messages += ([ENDED] if index else []) + list(hotfix_lines) + [LAUNCHED]
    return messages


def wait_for_launches(log, count):
    """Waits for the `count`-th launch of the companion in `log` (a LogWatcher), and returns
    the messages up to it, hotfix lines included."""

    def enough():
        messages = log.messages()
        return messages if messages.count(LAUNCHED) >= count else None

    messages = wait_until(enough, EVENT_TIMEOUT, lambda: "%d launches; log: %r" % (count, log.messages()))
    launches = [index for index, message in enumerate(messages) if message == LAUNCHED]
    return messages[: launches[count - 1] + 1]


class HotfixStepTest(WineTestCase):
    """The hotfix directory of the usual install root, C:\\Program Files\\Qelt Suite\\hotfix."""

    def place_installer(self, mode):
        self.place(BIN_DIR / "fixture_installer.exe", INSTALLER)
        self.write_file(HOTFIX + r"\installer-mode.txt", mode)

    def release_installer(self):
        """Lets an installer in mode "hang" end (it deletes the descriptor first)."""
        self.write_file(HOTFIX + r"\installer-stop", b"")

    def installer_runs(self):
        return read_installer_runs(self.path(HOTFIX + r"\installer-runs.txt"))

    def wait_for_installer_runs(self, count, record="begin"):
        """Waits until `count` runs of the installer have recorded `record` (begin or end)."""

        def enough():
            runs = self.installer_runs()
            return runs if sum(getattr(run, record) is not None for run in runs) >= count else None

        return wait_until(enough, EVENT_TIMEOUT, lambda: "%d installer runs: %r" % (count, self.installer_runs()))

    def wait_for_launches(self, count):
        return wait_for_launches(self.log, count)

    def assert_installer_got(self, run, expected_parameters, expected_args):
        # The shell puts the program's path in front as it sees fit; what follows is the
        # service's parameter string, byte for byte.
        self.assertTrue(run.cmdline.endswith(" " + expected_parameters), run)
        program = run.cmdline[: -len(expected_parameters) - 1].strip().strip('"')
        self.assertEqual(program.lower(), INSTALLER.lower(), run)
        self.assertEqual(run.args, expected_args, run)
        self.assertEqual(run.argc, len(expected_args) + 1, run)

    def test_without_a_descriptor_each_launch_is_preceded_only_by_the_failed_read(self):
        self.set_companion_mode("exit")
        self.start_service()
        self.assertEqual(self.wait_for_launches(2), log_of_launches(2, NO_HOTFIX_LINE))
        self.assertFalse(self.path(HOTFIX).exists())

        # A hotfix directory with an installer but no descriptor: still nothing is run.
        self.place_installer("delete")
        launched = self.log.messages().count(LAUNCHED)
        self.assertEqual(self.wait_for_launches(launched + 2), log_of_launches(launched + 2, NO_HOTFIX_LINE))
        self.assertEqual(self.installer_runs(), [])
        self.assertTrue(self.path(INSTALLER).exists())

    def test_installer_gets_three_arguments_and_the_companion_starts_only_after_it_ends(self):
        self.place_installer("hang")
        self.write_file(DESCRIPTOR, b"2.0\r\n1\r\n")
        self.start_service()

        [run] = self.wait_for_installer_runs(1)
        expected = parameters(HOTFIX, "2.0", "douninstall")
        # The parameter string is in the log once the installer runs, and the launch waits.
        self.assertEqual(self.log.messages(), STARTED + [expected])
        self.assert_installer_got(run, expected, [HOTFIX, "2.0", "douninstall"])
        time.sleep(1.5)
        self.assertEqual(self.companion_starts(), [])
        self.assertEqual(self.log.messages(), STARTED + [expected])

        self.release_installer()
        [(_, started_ms)] = self.wait_for_companion_starts(1)
        [run] = self.installer_runs()
        self.assertIsNotNone(run.end, run)
        self.assertGreaterEqual(started_ms, run.end)
        self.assertEqual(self.wait_for_launches(1), STARTED + [expected, LAUNCHED])
        self.assertFalse(self.path(DESCRIPTOR).exists())

    def test_each_descriptor_reaches_the_installer_as_its_arguments(self):
        # (descriptor bytes, version text, verb, the arguments after the hotfix directory)
        cases = [
            (b"2.0\n0\n", "2.0", "doinstall", ["2.0", "doinstall"]),
            (b"2.0\r\n1\r\n", "2.0", "douninstall", ["2.0", "douninstall"]),
            (b"1.5 beta  2\r\n0\r\n", "1.5 beta  2", "doinstall", ["1.5", "beta", "2", "doinstall"]),
            (b"\r\n1\r\n", "", "douninstall", ["douninstall"]),
            (b"3.0\r\n1\r\nignored\r\n", "3.0", "douninstall", ["3.0", "douninstall"]),
        ]
        self.place_installer("delete")
        expected_log = list(STARTED)
        for count, (descriptor, version, verb, args) in enumerate(cases, start=1):
            self.write_file(DESCRIPTOR, descriptor)
            if count == 1:
                self.start_service()
            else:
                self.stop_companion()
            expected = parameters(HOTFIX, version, verb)
            [*_, (_, started_ms)] = self.wait_for_companion_starts(count)
            runs = self.installer_runs()
            self.assertEqual(len(runs), count, runs)
            self.assert_installer_got(runs[-1], expected, [HOTFIX] + args)
            self.assertIsNotNone(runs[-1].end, runs[-1])
            self.assertGreaterEqual(started_ms, runs[-1].end)
            self.assertFalse(self.path(DESCRIPTOR).exists(), "the installer did not delete %r" % descriptor)
            expected_log += [expected, LAUNCHED]
            self.assertEqual(self.wait_for_launches(count), expected_log)
            expected_log.append(ENDED)

    def test_installer_that_leaves_the_descriptor_runs_again_before_each_launch(self):
        self.set_companion_mode("exit")
        self.place_installer("leave")
        self.write_file(DESCRIPTOR, b"2.0\r\n0\r\n")
        self.start_service()

        expected = parameters(HOTFIX, "2.0", "doinstall")
        self.assertEqual(self.wait_for_launches(3), log_of_launches(3, expected))
        starts = self.wait_for_companion_starts(3)
        runs = self.installer_runs()
        self.assertGreaterEqual(len(runs), 3)
        for index in range(3):
            self.assert_installer_got(runs[index], expected, [HOTFIX, "2.0", "doinstall"])
            self.assertIsNotNone(runs[index].end, runs[index])
            # Each run ends before its launch, and the next run begins after that launch.
            self.assertGreaterEqual(starts[index][1], runs[index].end)
            if index + 1 < len(runs):
                self.assertGreaterEqual(runs[index + 1].begin, starts[index][1])
        self.assertEqual(self.path(DESCRIPTOR).read_bytes(), b"2.0\r\n0\r\n")

    def test_installer_that_crashes_does_not_keep_the_companion_from_starting(self):
        self.place_installer("crash")
        self.write_file(DESCRIPTOR, b"3.1\r\n0\r\n")
        self.start_service()

        [(_, started_ms)] = self.wait_for_companion_starts(1)
        expected = parameters(HOTFIX, "3.1", "doinstall")
        self.assertEqual(self.wait_for_launches(1), STARTED + [expected, LAUNCHED])
        [run] = self.installer_runs()
        self.assertIsNotNone(run.crash, run)
        self.assertIsNone(run.end, run)
        self.assertGreaterEqual(started_ms, run.crash)
        # The descriptor stays, so the next launch is preceded by another run.
        self.stop_companion()
        self.assertEqual(self.wait_for_launches(2), log_of_launches(2, expected))
        self.assertEqual(len(self.installer_runs()), 2)

    def test_stop_request_while_the_installer_runs_is_answered_and_the_process_ends(self):
        self.place_installer("hang")
        self.write_file(DESCRIPTOR, b"2.0\r\n0\r\n")
        self.start_service()
        self.wait_for_installer_runs(1)
        expected = parameters(HOTFIX, "2.0", "doinstall")
        self.assertEqual(self.log.messages(), STARTED + [expected])

        # svcctl holds the service's process before it sends the stop, and waits for its end.
        asked = time.monotonic()
        self.assertEqual(self.svcctl("stop-wait", str(EVENT_TIMEOUT * 1000)).lines, ["ok", "exitcode=0"])
        took = time.monotonic() - asked
        # The process sleeps one second after the dispatcher returns, then exits; the bounds
        # tell that from an exit at once or a wait for the installer, on a loaded machine too.
        self.assertGreaterEqual(took, 0.8)
        self.assertLessEqual(took, 20)
        self.assertEqual(self.service_status()["state"], str(SERVICE_STOPPED))
        after = self.log.messages()[len(STARTED) + 1:]
        self.assertEqual(len(after), 4, after)
        self.assertEqual((after[0], after[3]), ("SERVICE_CONTROL_STOP", "QeltWatch Exit"))
        self.assertCountEqual(after[1:3], ["bExit:1", "StartServiceCtrlDispatcher success!"])

        # The installer outlived the service: released now, it ends and records it.
        self.assertIsNone(self.installer_runs()[0].end)
        self.release_installer()
        self.wait_for_installer_runs(1, record="end")
        self.assertEqual(self.companion_starts(), [])

    def test_hotfix_installer_that_is_no_program_fails_at_once_and_the_companion_starts(self):
        # Without the shell's no-dialog flag this start would wait on an error dialog that
        # nobody sees inside a service, and the service thread would never launch the companion.
        self.write_file(INSTALLER, b"this is a text file, not a program\r\n")
        self.write_file(DESCRIPTOR, b"2.0\r\n0\r\n")
        self.start_service()

        expected = parameters(HOTFIX, "2.0", "doinstall")
        failed = "delete param :%s failed!" % expected
        self.assertEqual(self.wait_for_launches(1), log_of_launches(1, expected, failed))
        # The descriptor stays, and the same attempt precedes the next launch.
        self.assertTrue(self.path(DESCRIPTOR).exists())
        self.stop_companion()
        self.assertEqual(self.wait_for_launches(2), log_of_launches(2, expected, failed))


class HotfixCleanUpTest(WineTestCase):
    """A hotfix directory without an installer, in install roots of their own whose paths the
    command interpreter would misread: the service is registered with the executable there."""

    maxDiff = None

    def setUp(self):
        self._own_trees = []
        # Added before the harness's clean-up, so it runs after it: once the service and the
        # prefix's server are gone.
        self.addCleanup(self._remove_own_trees)
        super().setUp()

    def _remove_own_trees(self):
        for tree in self._own_trees:
            shutil.rmtree(tree, ignore_errors=True)

    def own_tree(self, windows_path):
        """A directory outside the usual install root, removed when the test ends."""
        tree = self.path(windows_path)
        self.assertFalse(tree.exists(), "left over from an earlier test: %s" % tree)
        self._own_trees.append(tree)
        tree.mkdir(parents=True)
        return tree

    def keep_file(self, windows_path):
        target = self.path(windows_path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(b"keep")
        return target

    def start_service_in(self, install_root):
        """Lays out install_root\\bin as the usual one, follows its log instead, and starts
        the service registered with the executable there."""
        bin_dir = install_root + r"\bin"
        self.path(bin_dir).mkdir(parents=True, exist_ok=True)
        shutil.copyfile(BIN_DIR / "QeltWatch.exe", self.path(bin_dir + r"\QeltWatch.exe"))
        shutil.copyfile(BIN_DIR / "fixture_companion.exe", self.path(bin_dir + r"\qelt-monitor.exe"))
        self.log = LogWatcher(self.path(bin_dir + r"\QeltService.log"))
        self.log.start()
        self.addCleanup(self.log.stop)
        self.register_service('"%s\\QeltWatch.exe"' % bin_dir)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        return bin_dir

    def wait_for_launches(self, count):
        return wait_for_launches(self.log, count)

    def relaunch_companion(self, bin_dir):
        self.path(bin_dir + r"\companion-stop").write_bytes(b"")

    def wait_for_companion_start_in(self, bin_dir):
        # The service logs the launch as soon as the shell returns, a little before the
        # companion records its start.
        journal = self.path(bin_dir + r"\companion-starts.txt")
        wait_until(lambda: journal.exists() and "start " in journal.read_text(), EVENT_TIMEOUT,
                   "the companion's start in " + bin_dir)

    def test_without_installer_exactly_the_hotfix_directory_goes_in_a_root_with_blanks_and_ampersand(self):
        root = r"C:\Program Files\Qelt Suite & co"
        hotfix = root + r"\hotfix"
        self.own_tree(root)
        self.path(hotfix + r"\sub").mkdir(parents=True)
        self.path(hotfix + r"\hotfix.ini").write_bytes(b"2.0\r\n1\r\n")
        self.path(hotfix + r"\sub\payload.dat").write_bytes(b"x")
        # Unquoted, cmd would remove C:\Program, Files\Qelt and Suite (from its current
        # directory, C:\windows), then run co\hotfix there.
        for tree in (r"C:\Program Files\Qelt", r"C:\Program", r"C:\windows\Files", r"C:\windows\Suite",
                     r"C:\windows\co"):
            self.own_tree(tree)
        kept = (
            r"C:\Program Files\Qelt\keep.txt",
            r"C:\Program\keep.txt",
            r"C:\windows\Files\Qelt\keep.txt",
            r"C:\windows\Suite\keep.txt",
            root + r"\keep.txt",
            root + r"\hotfix2\keep.txt",
            root + r"\bin\keep.txt",
        )
        for path in kept:
            self.keep_file(path)
        shutil.copyfile(BIN_DIR / "fixture_companion.exe", self.path(r"C:\windows\co\hotfix.exe"))
        self.path(r"C:\windows\co\companion-mode.txt").write_bytes(b"exit")

        bin_dir = self.start_service_in(root)
        messages = self.wait_for_launches(1)
        # One comparison, so that a failure shows everything the clean-up did.
        on_disk = {path: self.path(path).exists() for path in kept}
        on_disk["hotfix directory present"] = self.path(hotfix).exists()
        on_disk["co\\hotfix run"] = self.path(r"C:\windows\co\companion-starts.txt").exists()
        expected = {path: True for path in kept}
        expected.update({"hotfix directory present": False, "co\\hotfix run": False})
        self.assertEqual(on_disk, expected)
        self.assertEqual(messages, STARTED + [hotfix + r"\hotfixs.exe is not exist!", LAUNCHED])
        self.wait_for_companion_start_in(bin_dir)

        self.relaunch_companion(bin_dir)
        self.assertEqual(
            self.wait_for_launches(2),
            STARTED + [hotfix + r"\hotfixs.exe is not exist!", LAUNCHED, ENDED, NO_HOTFIX_LINE, LAUNCHED],
        )

    def test_percent_in_the_install_root_skips_the_clean_up_but_deletes_the_descriptor(self):
        root = r"C:\E%ERRORLEVEL%"
        hotfix = root + r"\hotfix"
        self.own_tree(root)
        self.path(hotfix).mkdir()
        self.path(hotfix + r"\hotfix.ini").write_bytes(b"2.0\r\n0\r\n")
        payload = self.keep_file(hotfix + r"\payload.dat")
        # cmd expands %ERRORLEVEL% even inside double quotes: C:\E0\hotfix is what it would remove.
        self.own_tree(r"C:\E0")
        decoy = self.keep_file(r"C:\E0\hotfix\keep.txt")

        bin_dir = self.start_service_in(root)
        messages = self.wait_for_launches(1)
        self.assertEqual(
            {"descriptor": self.path(hotfix + r"\hotfix.ini").exists(), "payload": payload.exists(),
             "decoy": decoy.exists()},
            {"descriptor": False, "payload": True, "decoy": True},
        )
        self.assertEqual(
            messages,
            STARTED
            + [hotfix + r"\hotfixs.exe is not exist!", "hotfix dir not removed, '%' in path: " + hotfix, LAUNCHED],
        )
        self.wait_for_companion_start_in(bin_dir)

        self.relaunch_companion(bin_dir)
        self.assertEqual(self.wait_for_launches(2)[-3:], [ENDED, NO_HOTFIX_LINE, LAUNCHED])


if __name__ == "__main__":
    unittest.main()
