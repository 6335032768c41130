"""A companion that cannot be launched, under Wine's service control manager: the loop ends, the
process exits 0 and has the service started again, and each new process tries once more; a
missing file, then a text file in the companion's place, then the real companion, kept running
by one process, which warns once that it keeps ending. Each failure is one event, however many
processes meet it. (A directory in its place, and a disabled service, are shown by the unit
tests.)"""

import os
import unittest

from wineharness import (
    BIN_DIR,
    ENDED,
    ERROR,
    EVENT_TIMEOUT,
    INFORMATION,
    LAUNCHED,
    NO_HOTFIX,
    SVCCTL,
    VERSION,
    WARNING,
    WineTestCase,
    wait_until,
    winelab,
)

COMPANION = WineTestCase.program_directory + r"\qelt-monitor.exe"
INSTALLED = "QeltWatch already installed!"
STOPPED = "QeltWatch stopped"
RETURNED = "StartServiceCtrlDispatcher success!"
ERROR_FILE_NOT_FOUND = 2
ERROR_BAD_EXE_FORMAT = 193


def failed(code):
    return "qelt-monitor start failed (%d)" % code


class LaunchFailureTest(WineTestCase):
    def test_service_restarts_itself_until_the_companion_can_run(self):
        self.missing_companion_ends_the_process_which_starts_the_service_again()
        self.write_file(COMPANION, "This is a text file named qelt-monitor.exe.\r\n")
        self.assert_a_new_process_fails_with(ERROR_BAD_EXE_FORMAT)
        self.assertEqual(self.events("EVENT_COMPANION_NOT_LAUNCHED"),
                         [(ERROR, [COMPANION, str(code), ""]) for code in (ERROR_FILE_NOT_FOUND, ERROR_BAD_EXE_FORMAT)])
        self.assertEqual(self.events("EVENT_SERVICE_STARTED"),
                         [(INFORMATION, [VERSION, self.program_directory, ""])])
        self.real_companion_is_relaunched_by_one_process()

    def missing_companion_ends_the_process_which_starts_the_service_again(self):
        self.path(COMPANION).unlink()
        self.register_service()
        first = winelab.ProcessWatch(self.prefix, SVCCTL, EVENT_TIMEOUT)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        self.assertEqual(first.exit_code(), 0)

        messages = self.installation.wait_for_log(lambda m: m.count(STOPPED) >= 2, "two ends of the loop")
        self.assertEqual(messages[:4], [INSTALLED, "QeltWatch start!", NO_HOTFIX, failed(ERROR_FILE_NOT_FOUND)])
        # The stopped report lets the dispatcher return on the main thread while the service
        # thread writes its last line: these two come in either order.
        self.assertCountEqual(messages[4:6], [STOPPED, RETURNED])
        self.assertEqual(messages[6], "QeltWatch start!")
        # The old process's last line may come among the new one's.
        self.assertIn("StartService success!", messages[7:])
        new = [message for message in messages[7:] if message != "StartService success!"]
        self.assertEqual(new[:4], [INSTALLED, "QeltWatch start!", NO_HOTFIX, failed(ERROR_FILE_NOT_FOUND)])
        self.assertNotIn(LAUNCHED, messages)

    def assert_a_new_process_fails_with(self, code):
        """The launch of a process that began after the companion's file was changed fails with
        `code`."""

        def launches_of_a_new_process(messages):
            later = messages[messages.index(INSTALLED):] if INSTALLED in messages else []
            return [message for message in later if message.startswith("qelt-monitor start")]

        self.installation.take(len(self.installation.unseen()))
        messages = self.installation.wait_for_log(launches_of_a_new_process, "a new process's launch")
        self.assertEqual(launches_of_a_new_process(messages)[0], failed(code))

    def real_companion_is_relaunched_by_one_process(self):
        self.path(COMPANION).unlink()
        self.companion.set_mode("exit")
        # Copied beside it and renamed, so that no launch finds half a program.
        self.place(BIN_DIR / "fixture_companion.exe", COMPANION + ".new")
        os.replace(self.path(COMPANION + ".new"), self.path(COMPANION))
        mark = len(self.log.messages())

        self.installation.wait_for_starts(1)
        pid = self.service_status()["pid"]
        starts = self.installation.wait_for_starts(4)
        exits = dict(self.companion.exits())
        for (ended, _), (_, next_ms) in zip(starts, starts[1:]):
            # The loop sleeps 1000 ms: the bounds tell that pause from none or from a stall.
            self.assertTrue(800 <= next_ms - exits[ended] <= 5000, (exits, starts))
        # The process that started this one writes its last line at about the same time.
        own = [message for message in self.log.messages()[mark:] if message != "StartService success!"]
        first = own.index(LAUNCHED)
        self.assertEqual(own[first - 1:first + 7], [NO_HOTFIX, LAUNCHED] + [ENDED, NO_HOTFIX, LAUNCHED] * 2, own)
        self.assertEqual(self.service_status()["pid"], pid)

        # Its tenth end within ten minutes is reported, and no end after it.
        warned = [(WARNING, [COMPANION, "10", "1", ""])]
        wait_until(lambda: self.events("EVENT_COMPANION_KEEPS_ENDING"), EVENT_TIMEOUT, "the warning")
        self.installation.wait_for_starts(len(self.companion.starts()) + 2)
        self.assertEqual(self.events("EVENT_COMPANION_KEEPS_ENDING"), warned)


if __name__ == "__main__":
    unittest.main()
