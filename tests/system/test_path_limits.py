"""Install paths at the edges of the 260-byte paths the service uses: an executable path that
fills the buffer, the first program directory too long for the companion's path, and the
longest that works."""

import unittest

from wineharness import (
    BIN,
    ERROR_SERVICE_DOES_NOT_EXIST,
    NO_HOTFIX_LINE,
    SERVICE_RUNNING,
    Installation,
    WineTestCase,
    contains_in_order,
    programs_running,
)

LAUNCHED = "qelt-monitor start success!"
STOPPED = "QeltWatch stopped"
STARTED = ["QeltWatch already installed!", "QeltWatch start!"]
ERROR_FILENAME_EXCED_RANGE = 206


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


class PathLimitsTest(WineTestCase):
    def test_executable_path_of_260_characters_registers_nothing_and_exits_0(self):
        installation = Installation(self, directory_of_length(246, "bin"))
        self.assertEqual(len(installation.exe), 260)

        self.assertEqual(self.run_program(installation.exe, capture=False).returncode, 0)
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        # Its log path does not fit either: it writes nowhere.
        self.assertEqual(installation.log.lines(), [])
        self.assertFalse(self.path(BIN + r"\QeltService.log").exists())

    def test_program_directory_of_243_characters_leaves_no_room_for_the_companion_path(self):
        installation = Installation(self, directory_of_length(243, "bin"))
        installation.register_and_start()

        too_long = "qelt-monitor path too long (%d)" % ERROR_FILENAME_EXCED_RANGE
        messages = installation.wait_for_log(lambda m: m.count(STOPPED) >= 2, "two ends of the loop")
        self.assertEqual(messages[:3], STARTED + [too_long])
        self.assertCountEqual(messages[3:5], [STOPPED, "StartServiceCtrlDispatcher success!"])
        # The service has itself started again, and the new process ends the same way.
        self.assertEqual(messages[5], "QeltWatch start!")
        self.assertTrue(contains_in_order(messages[6:], STARTED + [too_long, STOPPED]), messages)
        # Nothing is launched, and the hotfix step does not even run.
        self.assertNotIn(LAUNCHED, messages)
        self.assertNotIn(NO_HOTFIX_LINE, messages)
        self.assertEqual(programs_running(self.prefix, "qelt-monitor.exe"), [])

    def test_program_directory_of_242_characters_is_the_longest_that_works(self):
        # The install root is then 240 characters, too long for the hotfix step.
        installation = Installation(self, directory_of_length(242, "b"))
        installation.register_and_start()

        messages = installation.wait_for_log(lambda m: LAUNCHED in m, "the companion's launch")
        self.assertEqual(messages, STARTED + ["hotfix path too long (240)", LAUNCHED])
        # The companion's journal does not fit beside it, so the process list shows it.
        self.assertEqual(len(programs_running(self.prefix, "qelt-monitor.exe")), 1)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))


if __name__ == "__main__":
    unittest.main()
