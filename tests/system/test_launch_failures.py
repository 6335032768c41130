"""A companion that cannot be launched, under Wine's service control manager: the loop ends, the
process exits 0 and has the service started again, and each new process waits 5 s after the first
failure, doubling with each failure in a row, before it tries once more; a missing file, then a
text file put in the companion's place during a pause (launched at that pause's end), a stop during
a pause answered at once, then the real companion, launched at the end of the pause and kept
running by one process, which warns once that it keeps ending. Each failure is one event, however
many processes meet it. (A directory in its place, and a disabled service, are shown by the unit
tests.)"""

import os
import re
import time
import unittest

from wineharness import (
    BIN_DIR,
    ENDED,
    ERROR,
    EVENT,
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
SERVICE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\QeltWatch"


def event_key(name, strings):
    """The flood rule's key of an event: FNV-1a over its id and each string with its end."""
    key = 0xcbf29ce484222325
    for byte in EVENT[name].to_bytes(4, "little") + b"".join(text.encode() + b"\0" for text in strings):
        key = ((key ^ byte) * 0x100000001b3) % 2 ** 64
    return key


def paused(seconds, failures):
    return "launch paused %d s after %d failed" % (seconds, failures)


def failed(code):
    return "qelt-monitor start failed (%d)" % code


class LaunchFailureTest(WineTestCase):
    def test_service_restarts_itself_until_the_companion_can_run(self):
        self.missing_companion_ends_the_process_which_starts_the_service_again()
        # Put in place during the first pause: tried at its end, not after one more failure.
        self.write_file(COMPANION, "This is a text file named qelt-monitor.exe.\r\n")
        self.assert_a_new_process_fails_with(ERROR_BAD_EXE_FORMAT)
        self.stop_during_the_pause_is_answered_at_once()
        self.assertEqual(self.events("EVENT_COMPANION_NOT_LAUNCHED"),
                         [(ERROR, [COMPANION, str(code), ""]) for code in (ERROR_FILE_NOT_FOUND, ERROR_BAD_EXE_FORMAT)])
        self.assertEqual(self.events("EVENT_SERVICE_STARTED"),
                         [(INFORMATION, [VERSION, self.program_directory,
                                         " It stands for 37 events like it since the last report."])])
        self.real_companion_is_relaunched_by_one_process()

    def missing_companion_ends_the_process_which_starts_the_service_again(self):
        self.path(COMPANION).unlink()
        self.register_service()
        # As if the start had been reported two hours ago and 36 more held back since: the
        # first start after the hour says so.
        record = "event %x %d 36" % (event_key("EVENT_SERVICE_STARTED", [VERSION, self.program_directory]),
                                     time.time() - 7200)
        self.assertEqual(self.prefix.run("reg", "add", SERVICE_KEY, "/v", "EventFlood", "/d", record,
                                         "/f").returncode, 0)
        first = winelab.ProcessWatch(self.prefix, SVCCTL, EVENT_TIMEOUT)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        self.assertEqual(first.exit_code(), 0)

        messages = self.installation.wait_for_log(lambda m: m.count(STOPPED) >= 1 and paused(5, 1) in m,
                                                  "the end of the loop and the next process's pause")
        self.assertEqual(messages[:4], [INSTALLED, "QeltWatch start!", NO_HOTFIX, failed(ERROR_FILE_NOT_FOUND)])
        # The stopped report lets the dispatcher return on the main thread while the service
        # thread writes its last line: these two come in either order.
        self.assertCountEqual(messages[4:6], [STOPPED, RETURNED])
        self.assertEqual(messages[6], "QeltWatch start!")
        # The old process's last line may come among the new one's.
        new = [message for message in messages[7:] if message != "StartService success!"]
        self.assertEqual(new, [INSTALLED, "QeltWatch start!", paused(5, 1)])
        self.first_failure = self.log.arrivals()[self.log.messages().index(failed(ERROR_FILE_NOT_FOUND))]

    def stop_during_the_pause_is_answered_at_once(self):
        self.installation.wait_for_log(lambda m: paused(10, 2) in m, "the second pause")
        self.installation.take(self.installation.unseen().index(paused(10, 2)) + 1)
        self.stop_service_and_check()
        messages = self.log.messages()
        arrivals = self.log.arrivals()
        self.assertLess(arrivals[messages.index("Qelt-watch Exit!")] - arrivals[messages.index("SERVICE_CONTROL_STOP")],
                        1.0)
        self.assertEqual(self.registry_values(SERVICE_KEY)["FailedLaunches"], "0x2")

    def assert_a_new_process_fails_with(self, code):
        """The next launch after the companion's file was changed fails with `code`: the process
        pausing meanwhile tries the file as it is at the pause's end."""

        def launches(messages):
            return [message for message in messages if message.startswith("qelt-monitor start")]

        self.installation.take(len(self.installation.unseen()))
        messages = self.installation.wait_for_log(launches, "the next launch")
        self.assertEqual(launches(messages)[0], failed(code))
        self.assertNotIn(LAUNCHED, self.log.messages())
        # Without the pause the next process tried again some 3.5 s after the first failure.
        second = self.log.arrivals()[self.log.messages().index(failed(code))]
        self.assertGreaterEqual(second - self.first_failure, 5 + 3)

    def real_companion_is_relaunched_by_one_process(self):
        self.path(COMPANION).unlink()
        self.companion.set_mode("exit")
        # Copied beside it and renamed, so that no launch finds half a program.
        self.place(BIN_DIR / "fixture_companion.exe", COMPANION + ".new")
        os.replace(self.path(COMPANION + ".new"), self.path(COMPANION))
        mark = len(self.log.messages())
        # One failure in a row, not two: the next start pauses 5 s, not 10.
        self.assertEqual(self.prefix.run("reg", "add", SERVICE_KEY, "/v", "FailedLaunches", "/t", "REG_DWORD",
                                         "/d", "1", "/f").returncode, 0)
        # The day's summary began a day and a minute ago: the new process reports it at once.
        self.assertEqual(self.prefix.run("reg", "add", SERVICE_KEY, "/v", "SummaryAt", "/t", "REG_QWORD", "/d",
                                         str(int(time.time()) - 86460), "/f").returncode, 0)
        self.assertEqual(self.svcctl("start").lines, ["ok"])

        self.installation.wait_for_starts(1)
        summary = wait_until(lambda: self.events("EVENT_DAILY_SUMMARY"), EVENT_TIMEOUT, "the summary")
        self.assertEqual([(kind, strings[:3] + strings[4:]) for kind, strings in summary],
                         [(INFORMATION, ["0", "none", "0", ""])])
        self.assertRegex(summary[0][1][3], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC$")
        self.assertEqual(self.registry_values(SERVICE_KEY)["FailedLaunches"], "0x0")
        pid = self.service_status()["pid"]
        starts = self.installation.wait_for_starts(4)
        exits = dict(self.companion.exits())
        for (ended, _), (_, next_ms) in zip(starts, starts[1:]):
            # The loop sleeps 1000 ms: the bounds tell that pause from none or from a stall.
            self.assertTrue(800 <= next_ms - exits[ended] <= 5000, (exits, starts))
        # The process that started this one writes its last line at about the same time.
        own = [message for message in self.log.messages()[mark:] if message != "StartService success!"]
        first = own.index(LAUNCHED)
        self.assertEqual(own[first - 2:first + 7], [paused(5, 1), NO_HOTFIX, LAUNCHED] + [ENDED, NO_HOTFIX, LAUNCHED] * 2,
                         own)
        self.assertEqual(self.service_status()["pid"], pid)

        # Its tenth end within ten minutes is reported, and no end after it.
        warned = [(WARNING, [COMPANION, "10", "1", "3", ""])]
        wait_until(lambda: self.events("EVENT_COMPANION_KEEPS_ENDING"), EVENT_TIMEOUT, "the warning")
        self.installation.wait_for_starts(len(self.companion.starts()) + 2)
        self.assertEqual(self.events("EVENT_COMPANION_KEEPS_ENDING"), warned)


if __name__ == "__main__":
    unittest.main()
