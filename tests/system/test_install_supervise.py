"""One life of the service, started by hand in an install root under "Program Files" whose path
holds blanks, '&', '^', '%' and a letter outside ASCII, on a machine whose clock is not on UTC:
registration and start, its own companion found running beside look-alikes, the other control
requests, a second start by hand from another copy, the relaunch, a restart as at a reboot, and the
stop. Every line of
the service's log is accounted for, in order."""

import datetime
import time
import unittest

from wineharness import (
    BIN_DIR,
    DESCRIPTION,
    ENDED,
    EVENT_SOURCE_KEY,
    EVENT_TIMEOUT,
    FIRST_START_BY_HAND,
    LAUNCHED,
    NO_HOTFIX,
    SERVICE_RUNNING,
    STARTED,
    WineTestCase,
    is_interleaving,
    wait_until,
    winelab,
)

# %PATH% would be expanded by any command interpreter on the way; é needs the ANSI code page.
ROOT = "C:\\Program Files (x86)\\Qelt \u00c9quipe & Co ^ 100% %PATH%"
PROGRAM_DIRECTORY = ROOT + r"\bin"
OTHER_COPY = r"C:\Other\bin\QeltWatch.exe"
# Started in this order before the service, and its own companion last. Wine lists processes in
# the order they began, so a look-up that took the first of that name in any letter case, or that
# ignored where a program runs from, would take the twin or the companion from elsewhere.
TWIN = r"C:\Early\twin\QELT-MONITOR.EXE"
ELSEWHERE = r"C:\Early\elsewhere\qelt-monitor.exe"
TIME_ZONE = "IST-5:30"
UTC_OFFSET = datetime.timedelta(hours=5, minutes=30)


def beside(windows_path, name):
    return windows_path.rsplit("\\", 1)[0] + "\\" + name


class InstallAndSuperviseTest(WineTestCase):
    program_directory = PROGRAM_DIRECTORY
    # Host file names with letters outside ASCII need a UTF-8 locale (code page 1252 in Windows).
    prefix_env = {"LC_ALL": "C.UTF-8", "QELT_TZ": TIME_ZONE, "TZ": TIME_ZONE}

    def setUp(self):
        super().setUp()
        # Were the registered path unquoted, the manager would run C:\Program.exe, which
        # records its start beside itself.
        self.place(BIN_DIR / "fixture_companion.exe", r"C:\Program.exe")
        self.write_file(r"C:\companion-mode.txt", "exit")
        self.early = {program: winelab.Companion(self.path(beside(program, ""))) for program in (TWIN, ELSEWHERE)}

    def assert_running_as(self, pid):
        status = self.service_status()
        self.assertEqual((status["state"], status["controls"], status["pid"]), (str(SERVICE_RUNNING), "1", pid))

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
        for program, companion in self.early.items():
            self.place(BIN_DIR / "fixture_companion.exe", program)
            self.start_program(program)
            wait_until(companion.starts, EVENT_TIMEOUT, "the start of " + program)
        self.start_program(beside(self.installation.exe, "qelt-monitor.exe"))
        self.installation.wait_for_starts(1)

    def first_start_by_hand_with_arguments(self):
        begun = time.time()
        self.assertEqual(self.run_program(self.installation.exe, "/uninstall", "-x"), 0)
        # The manager started the service's own process meanwhile; its lines come between these.
        lines = self.installation.take(len(FIRST_START_BY_HAND) + len(STARTED))
        self.assertTrue(is_interleaving(lines, FIRST_START_BY_HAND, STARTED), lines)
        self.assert_stamps_in_local_time(begun, time.time())

        registration = {"type": "16", "start": "2", "error": "1", "binary": '"%s"' % self.installation.exe,
                        "group": "", "tag": "0", "dependencies": "empty", "account": "LocalSystem",
                        "display": "QeltWatch", "description": DESCRIPTION}
        self.assertEqual(self.svcctl("config").values, registration)
        self.assertEqual(self.registry_values(EVENT_SOURCE_KEY),
                         {"EventMessageFile": self.installation.exe, "TypesSupported": "0x7"})
        status = self.service_status()
        pid = status.pop("pid")
        self.assertNotEqual(pid, "0")
        self.assertEqual(status, {"type": "16", "state": str(SERVICE_RUNNING), "win32exit": "0", "specificexit": "0",
                                  "checkpoint": "0", "waithint": "0", "controls": "1"})
        return pid

    def assert_stamps_in_local_time(self, begun, ended):
        for line in self.log.lines():
            self.assertEqual(line.weekday, line.stamp.strftime("%A"), line)
            moment = (line.stamp - UTC_OFFSET).replace(tzinfo=datetime.timezone.utc).timestamp()
            self.assertTrue(begun - 2 <= moment <= ended + 2, (line, begun, ended))

    def other_control_requests(self, pid):
        # Interrogate reaches the handler, which writes nothing; the manager refuses pause and
        # continue itself, since the service accepts only stop; user codes are bad requests, and
        # only the first is written, so that a user sending them cannot push the log's earlier
        # lines out (the next lines taken would show a second one).
        refused = "error 1052"
        for code, answer in ((4, "ok"), (2, refused), (3, refused), (128, "ok"), (200, "ok"), (255, "ok")):
            self.assertEqual(self.svcctl("control", str(code)).lines, [answer], code)
        self.assertEqual(self.installation.take(1), ["Bad service request"])
        self.assert_running_as(pid)

    def second_start_by_hand_from_another_copy(self, pid):
        self.place(BIN_DIR / "QeltWatch.exe", OTHER_COPY)
        self.assertEqual(self.run_program(OTHER_COPY), 0)
        lines, _ = winelab.split_log(self.path(beside(OTHER_COPY, "QeltService.log")).read_bytes())
        self.assertEqual([line.message for line in lines], ["QeltWatch already installed!",
                         "StartServiceCtrlDispatcher failed!", "QeltWatch start!", "StartService failed (1056)"])
        self.assertEqual(self.svcctl("config").values["binary"], '"%s"' % self.installation.exe)
        self.assert_running_as(pid)
        # Its companion has run all along (that start by hand alone took some 13 s): the service
        # waits for the one it adopted and launches nothing.
        self.assertEqual(len(self.companion.starts()), 1)

    def relaunch_after_the_adopted_companion_ends(self):
        # Only the end of the companion from its own program directory starts the next pass (its
        # pause is timed in the launch failure scenario); the look-alikes run on.
        self.companion.stop()
        self.assertEqual(self.installation.take(3), [ENDED, NO_HOTFIX, LAUNCHED])
        self.assertEqual([early.exits() for early in self.early.values()], [[], []])
        # Started with no parameters: its command line is its path alone.
        [_, (launched, _)] = self.installation.wait_for_starts(2)
        # Written just after its start: under load a moment later.
        argc = wait_until(lambda: self.companion.record("argc", launched), EVENT_TIMEOUT, "the companion's argc")
        self.assertEqual(argc, "1")

    def restart_as_at_a_reboot(self, pid):
        # Every process of the prefix ends with its server, as at a shutdown; the next start of
        # the server starts the automatic services, by the registration the executable made.
        self.prefix.stop_server()
        self.assertEqual(self.prefix.processes("QeltWatch.exe"), [])
        self.prefix.start_server()
        self.wait_for_state(SERVICE_RUNNING)
        self.assertEqual(self.installation.take(4), STARTED + [NO_HOTFIX, LAUNCHED])
        self.assertNotEqual(self.service_status()["pid"], pid)

    def stop(self):
        [*_, (companion, _)] = self.installation.wait_for_starts(3)
        self.stop_service_and_check()
        self.assertEqual(self.installation.unseen(), [])
        self.assertEqual(self.service_status()["win32exit"], "0")
        # The companion outlived the service: told to stop now, it records its own end.
        ended = self.companion.exits()
        self.assertNotIn(companion, [pid for pid, _ in ended])
        self.companion.stop()
        exits = wait_until(lambda: self.companion.exits()[len(ended):], EVENT_TIMEOUT, "the companion's end")
        self.assertEqual([pid for pid, _ in exits], [companion])


if __name__ == "__main__":
    unittest.main()
