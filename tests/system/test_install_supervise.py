"""One life of the service, started by hand in an install root under "Program Files" whose path
holds blanks, '&', '^', '%' and a letter outside ASCII, on a machine whose clock is not on UTC:
registration and start, a companion found running, the other control requests, a second start
by hand from another copy, the relaunch, a restart as at a reboot, and the stop. Every line of
the service's log is accounted for, in order."""

import datetime
import subprocess
import time
import unittest

from wineharness import (
    BIN_DIR,
    EVENT_TIMEOUT,
    NO_HOTFIX_LINE,
    PROGRAM_TIMEOUT,
    SERVICE_RUNNING,
    SERVICE_STOPPED,
    SVCCTL,
    WEEKDAYS,
    WINE_RUN,
    Installation,
    SvcctlResult,
    WineTestCase,
    is_interleaving,
    journal_values,
    programs_running,
    read_companion_journal,
    split_log,
    wait_until,
)

# %PATH% would be expanded by any command interpreter on the way; é needs the ANSI code page.
ROOT = "C:\\Program Files (x86)\\Qelt \u00c9quipe & Co ^ 100% %PATH%"
PROGRAM_DIRECTORY = ROOT + r"\bin"
OTHER_COPY = r"C:\Other\bin\QeltWatch.exe"
# Started in this order before the service. Wine lists processes in the order they began, so a
# lookup that ignored letter case would take the twin, and the service adopts the first companion.
TWIN = r"C:\Early\twin\QELT-MONITOR.EXE"
FIRST = r"C:\Early\first\qelt-monitor.exe"
SECOND = r"C:\Early\second\qelt-monitor.exe"
TIME_ZONE = "IST-5:30"
UTC_OFFSET = datetime.timedelta(hours=5, minutes=30)

LAUNCHED = "qelt-monitor start success!"
ENDED = "qelt-monitor  exit!"
STARTED = ["QeltWatch already installed!", "QeltWatch start!"]
FIRST_START_BY_HAND = [
    "QltWatch install success!",
    "StartServiceCtrlDispatcher failed!",
    "QeltWatch start!",
    "StartService success!",
]


def beside(windows_path, name):
    return windows_path.rsplit("\\", 1)[0] + "\\" + name


def journal_beside(test, program):
    return read_companion_journal(test.path(beside(program, "companion-starts.txt")))


class InstallAndSuperviseTest(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Before the prefix's server starts, so that every process of the prefix has them. Host
        # file names with letters outside ASCII need a UTF-8 locale (code page 1252 in Windows).
        cls.shared_prefix.env.update(LC_ALL="C.UTF-8", QELT_TZ=TIME_ZONE, TZ=TIME_ZONE)

    def setUp(self):
        super().setUp()
        # Were the registered path unquoted, the manager would run C:\Program.exe, which
        # records its start beside itself.
        self.place(BIN_DIR / "fixture_companion.exe", r"C:\Program.exe")
        self.write_file(r"C:\companion-mode.txt", "exit")
        self.installation = Installation(self, PROGRAM_DIRECTORY)
        self.seen = 0

    def next_lines(self, count):
        """The next `count` lines of the service's log, once they are written; later lines are
        left for the next step to account for."""
        messages = self.installation.wait_for_log(
            lambda messages: len(messages) >= self.seen + count, "%d more lines" % count
        )
        self.seen += count
        return messages[self.seen - count : self.seen]

    def registration(self):
        # svcctl prints the path in the ANSI code page. Like the harness, it asks twice when
        # Wine did not run it at all (no output).
        for _ in range(2):
            output = subprocess.run(
                [str(WINE_RUN), SVCCTL, "config"],
                env=self.prefix.env,
                stdin=subprocess.DEVNULL,
                stdout=subprocess.PIPE,
                stderr=subprocess.DEVNULL,
                timeout=PROGRAM_TIMEOUT,
            ).stdout
            if output:
                break
        return SvcctlResult(output.decode("cp1252")).values

    def assert_running_as(self, pid):
        status = self.service_status()
        self.assertEqual(
            (status["state"], status["controls"], status["pid"]), (str(SERVICE_RUNNING), "1", pid)
        )

    def test_life_of_the_service(self):
        self.start_early_programs()
        pid = self.first_start_by_hand_with_arguments()
        self.other_control_requests(pid)
        self.second_start_by_hand_from_another_copy(pid)
        self.relaunch_after_the_adopted_companion_ends()
        self.restart_as_at_a_reboot(pid)
        self.stop()
        self.assertFalse(self.path(r"C:\companion-starts.txt").exists(), r"C:\Program.exe was run")

    def start_early_programs(self):
        for program in (TWIN, FIRST, SECOND):
            self.place(BIN_DIR / "fixture_companion.exe", program)
            self.start_program(program)
            wait_until(lambda: journal_beside(self, program), EVENT_TIMEOUT, "the start of " + program)

    def first_start_by_hand_with_arguments(self):
        begun = time.time()
        started_by_hand = self.run_program(self.installation.exe, "/uninstall", "-x", capture=False)
        self.assertEqual(started_by_hand.returncode, 0)
        # The manager started the service's own process meanwhile; its lines come between these.
        lines = self.next_lines(len(FIRST_START_BY_HAND) + len(STARTED))
        self.assertTrue(is_interleaving(lines, FIRST_START_BY_HAND, STARTED), lines)
        self.assert_stamps_in_local_time(begun, time.time())

        self.assertEqual(
            self.registration(),
            {
                "type": "16",
                "start": "2",
                "error": "1",
                "binary": '"%s"' % self.installation.exe,
                "group": "",
                "tag": "0",
                "dependencies": "empty",
                "account": "LocalSystem",
                "display": "QeltWatch",
            },
        )
        status = self.service_status()
        pid = status.pop("pid")
        self.assertNotEqual(pid, "0")
        self.assertEqual(
            status,
            {
                "type": "16",
                "state": str(SERVICE_RUNNING),
                "win32exit": "0",
                "specificexit": "0",
                "checkpoint": "0",
                "waithint": "0",
                "controls": "1",
            },
        )
        return pid

    def assert_stamps_in_local_time(self, begun, ended):
        for line in self.installation.log.lines():
            self.assertEqual(line.weekday, WEEKDAYS[line.stamp.weekday()], line)
            moment = (line.stamp - UTC_OFFSET).timestamp()
            self.assertTrue(begun - 2 <= moment <= ended + 2, (line, begun, ended))

    def other_control_requests(self, pid):
        # Interrogate reaches the handler, which writes nothing; the manager refuses pause and
        # continue itself, since the service accepts only stop; user codes are bad requests.
        refused = "error 1052"
        for code, answer in ((4, "ok"), (2, refused), (3, refused), (128, "ok"), (200, "ok"), (255, "ok")):
            self.assertEqual(self.svcctl("control", str(code)).lines, [answer], code)
        self.assertEqual(self.next_lines(3), ["Bad service request"] * 3)
        self.assert_running_as(pid)

    def second_start_by_hand_from_another_copy(self, pid):
        self.place(BIN_DIR / "QeltWatch.exe", OTHER_COPY)
        self.assertEqual(self.run_program(OTHER_COPY, capture=False).returncode, 0)
        lines, _ = split_log(self.path(beside(OTHER_COPY, "QeltService.log")).read_bytes())
        self.assertEqual(
            [line.message for line in lines],
            [
                "QeltWatch already installed!",
                "StartServiceCtrlDispatcher failed!",
                "QeltWatch start!",
                "StartService failed (1056)",
            ],
        )
        self.assertEqual(self.registration()["binary"], '"%s"' % self.installation.exe)
        self.assert_running_as(pid)
        # Both companions have run all along (that start by hand alone took some 13 s): the
        # service waits for the one it adopted and launches nothing.
        self.assertEqual(self.installation.journal(), [])

    def stop_early_companion(self, program):
        """Tells one of the companions started before the service to end; returns the moment
        it recorded."""
        self.write_file(beside(program, "companion-stop"), b"")
        exits = wait_until(
            lambda: journal_values(journal_beside(self, program), "exit"),
            EVENT_TIMEOUT,
            "the end of " + program,
        )
        return int(exits[0][1])

    def wait_for_launches(self, count):
        """(pid, ms) of the companion's starts in the program directory, once there are `count`."""

        def launches():
            starts = journal_values(self.installation.journal(), "start")
            return starts if len(starts) >= count else None

        return wait_until(launches, EVENT_TIMEOUT, "%d launches of the companion" % count)

    def relaunch_after_the_adopted_companion_ends(self):
        self.stop_early_companion(SECOND)
        ended_ms = self.stop_early_companion(FIRST)
        self.assertEqual(self.next_lines(3), [ENDED, NO_HOTFIX_LINE, LAUNCHED])
        [(launched, started_ms)] = self.wait_for_launches(1)
        # The loop's pause of 1000 ms; the bounds only tell it from none or from a stall.
        self.assertTrue(800 <= int(started_ms) - ended_ms <= 5000, (ended_ms, started_ms))
        # Started with no parameters: its command line is its path alone.
        self.assertIn((launched, "1"), journal_values(self.installation.journal(), "argc"))

    def restart_as_at_a_reboot(self, pid):
        # Every process of the prefix ends with its server, as at a shutdown; the next start of
        # the server starts the automatic services, by the registration the executable made.
        self.prefix.stop_server()
        self.assertEqual(programs_running(self.prefix, "QeltWatch.exe"), [])
        self.prefix.start_server()
        self.wait_for_state(SERVICE_RUNNING)
        self.assertEqual(self.next_lines(4), STARTED + [NO_HOTFIX_LINE, LAUNCHED])
        self.assertNotEqual(self.service_status()["pid"], pid)

    def stop(self):
        [_, (companion, _)] = self.wait_for_launches(2)
        # svcctl holds the service's process before it sends the stop, and waits for its end.
        self.assertEqual(self.svcctl("stop-wait", "60000").lines, ["ok", "exitcode=0"])
        lines = self.next_lines(4)
        self.assertEqual((lines[0], lines[3]), ("SERVICE_CONTROL_STOP", "QeltWatch Exit"))
        # Wine runs the handler on a thread of its own: the stopped report can let the
        # dispatcher return before the handler has written its last line.
        self.assertCountEqual(lines[1:3], ["bExit:1", "StartServiceCtrlDispatcher success!"])
        self.assertEqual(self.installation.log.messages()[self.seen :], [])
        status = self.service_status()
        self.assertEqual((status["state"], status["win32exit"]), (str(SERVICE_STOPPED), "0"))

        # The companion outlived the service: told to stop now, it records its own end.
        self.assertEqual(journal_values(self.installation.journal(), "exit"), [])
        self.write_file(PROGRAM_DIRECTORY + r"\companion-stop", b"")
        exits = wait_until(
            lambda: journal_values(self.installation.journal(), "exit"), EVENT_TIMEOUT, "the companion's end"
        )
        self.assertEqual([pid for pid, _ in exits], [companion])


if __name__ == "__main__":
    unittest.main()
