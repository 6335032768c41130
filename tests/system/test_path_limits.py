"""Install paths at the edges of the 260-byte paths the service uses: an executable path that
fills the buffer, the first program directory too long for the companion's path, and the
longest that works."""

import unittest

from wineharness import (
    ERROR_SERVICE_DOES_NOT_EXIST,
    LAUNCHED,
    NO_HOTFIX,
    STARTED,
    SERVICE_RUNNING,
    Installation,
    WineTestCase,
)

STOPPED = "QeltWatch stopped"
ERROR_FILENAME_EXCED_RANGE = 206


def directory_of_length(length, last):
    """A directory on drive C whose Windows path has exactly `length` characters and ends in the
    component `last`, under components of at most 100 letters."""
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
    def test_longest_paths_that_work_and_the_first_that_do_not(self):
        # An executable path of 260 characters fills the buffer: nothing registered, exit code 0,
        # and no log anywhere, since its path does not fit either.
        installation = Installation(self, directory_of_length(246, "bin"))
        self.assertEqual(len(installation.exe), 260)
        self.assertEqual(self.run_program(installation.exe), 0)
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(installation.log.lines(), [])

        # A program directory of 243 characters leaves no room for the companion's path: the loop
        # ends before the hotfix step (what follows, the service's own restart, is as for any
        # launch that fails).
        installation = Installation(self, directory_of_length(243, "bin"))
        self.register_service(installation.exe)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        too_long = "qelt-monitor path too long (%d)" % ERROR_FILENAME_EXCED_RANGE
        messages = installation.wait_for_log(lambda m: STOPPED in m, "the end of the loop")
        self.assertEqual(messages[:3], STARTED + [too_long])
        self.assertIn(STOPPED, messages[3:5])
        self.assertNotIn(NO_HOTFIX, messages)
        self.assertEqual(self.prefix.processes("qelt-monitor.exe"), [])
        self._remove_service()

        # 242 characters work; the install root is then 240 characters, too long for the hotfix step.
        installation = Installation(self, directory_of_length(242, "b"))
        self.register_service(installation.exe)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        messages = installation.wait_for_log(lambda m: LAUNCHED in m, "the companion's launch")
        self.assertEqual(messages, STARTED + ["hotfix path too long (240)", LAUNCHED])
        # The companion's journal does not fit beside it, so the process list shows it.
        self.assertEqual(len(self.prefix.processes("qelt-monitor.exe")), 1)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))


if __name__ == "__main__":
    unittest.main()
