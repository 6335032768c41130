"""Install paths at the edges of what the service's narrow paths hold: an install root in letters
outside the Western code page (registered by hand, the hotfix run, the companion launched, the
log in its place; then, without the UTF-8 setting, refused), an executable path that fills the 260-byte buffer, the first program directory
too long for the companion's path, and the longest that works."""

import re
import subprocess
import unittest

from wineharness import (
    BIN_DIR,
    ERROR,
    EVENT,
    ERROR_SERVICE_DOES_NOT_EXIST,
    EVENT_TIMEOUT,
    FIRST_START_BY_HAND,
    INFORMATION,
    LAUNCHED,
    NO_HOTFIX,
    STARTED,
    SERVICE_RUNNING,
    SERVICE_STOPPED,
    SVCCTL,
    VERSION,
    Installation,
    WineTestCase,
    is_interleaving,
    wait_until,
    winelab,
)

STOPPED = "QeltWatch stopped"
SOURCE_SET = "event source set to this executable (0)"
ERROR_FILENAME_EXCED_RANGE = 206
ERROR_NO_UNICODE_TRANSLATION = 1113
ERROR_INSUFFICIENT_BUFFER = 122
# Cyrillic and Japanese: neither is in code page 1252, the system's under Wine here.
ANY_LANGUAGE_ROOT = "C:\\Qelt \u041a\u043e\u0440\u0435\u043d\u044c \u65e5\u672c"


def without_utf8_setting(exe):
    """The executable with its manifest's code page setting turned into a comment of the same length."""
    setting = re.search(rb"<activeCodePage [^>]*>UTF-8</activeCodePage>", exe).group(0)
    comment = b"<!--" + b" " * (len(setting) - 7) + b"-->"
    return exe.replace(setting, comment, 1)


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
    # Host file names in letters outside ASCII need a UTF-8 locale.
    prefix_env = {"LC_ALL": "C.UTF-8"}

    def test_longest_paths_that_work_and_the_first_that_do_not(self):
        # First, while no service has run in the prefix: Wine's dispatcher then refuses a start by
        # hand at once.
        self.install_root_in_any_language()

        # An executable path of 260 characters fills the buffer: nothing registered, exit code 0,
        # and no log anywhere, since its path does not fit either.
        installation = Installation(self, directory_of_length(246, "bin"))
        self.assertEqual(len(installation.exe), 260)
        self.assertEqual(self.run_printing_events(installation.exe), 0)
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(installation.log.lines(), [])
        # Its event says why: the path does not fit (122), not that the code page changed it.
        self.assertEqual([(event.kind, event.strings) for event in self.printed_events
                          if event.id in (EVENT["EVENT_PATH_UNREADABLE"], EVENT["EVENT_PATH_NOT_IN_CODE_PAGE"])],
                         [(ERROR, [str(ERROR_INSUFFICIENT_BUFFER), ""])])

        # A program directory of 243 characters leaves no room for the companion's path: the loop
        # ends before the hotfix step (what follows, the service's own restart, is as for any
        # launch that fails).
        installation = Installation(self, directory_of_length(243, "bin"))
        self.register_service(installation.exe)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        too_long = "qelt-monitor path too long (%d)" % ERROR_FILENAME_EXCED_RANGE
        messages = installation.wait_for_log(lambda m: STOPPED in m, "the end of the loop")
        # The event source still named the executable registered before, elsewhere: each new
        # place sets it right at its start.
        self.assertEqual(messages[:4], STARTED + [SOURCE_SET, too_long])
        self.assertIn(STOPPED, messages[4:6])
        self.assertNotIn(NO_HOTFIX, messages)
        self.assertEqual(self.prefix.processes("qelt-monitor.exe"), [])
        self._remove_service()

        # 242 characters work; the install root is then 240 characters, too long for the hotfix step.
        installation = Installation(self, directory_of_length(242, "b"))
        self.register_service(installation.exe)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        messages = installation.wait_for_log(lambda m: LAUNCHED in m, "the companion's launch")
        self.assertEqual(messages, STARTED + [SOURCE_SET, "hotfix path too long (240)", LAUNCHED])
        # The companion's journal does not fit beside it, so the process list shows it.
        self.assertEqual(len(self.prefix.processes("qelt-monitor.exe")), 1)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))

    def run_printing_events(self, windows_path):
        """Runs a program to its end, as run_program, with Wine printing the events it reports
        (a program started by hand is no service, whose events the prefix collects)."""
        printed = self.prefix.path / "printed-events.txt"
        with printed.open("w") as output:
            code = subprocess.run([str(winelab.WINE_RUN), windows_path], stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=output, timeout=winelab.PROGRAM_TIMEOUT,
                                  env=dict(self.prefix.env, WINEDEBUG="-all,+eventlog,fixme+advapi")).returncode
        self.printed_events = winelab.parse_events(printed.read_text(encoding="latin-1"))
        return code

    def install_root_in_any_language(self):
        installation = Installation(self, ANY_LANGUAGE_ROOT + r"\bin")
        self.place(BIN_DIR / "fixture_installer.exe", ANY_LANGUAGE_ROOT + r"\hotfix\hotfixs.exe")
        descriptor = self.write_file(ANY_LANGUAGE_ROOT + r"\hotfix\hotfix.ini", b"2.0\r\n0\r\n")
        # Started by its host path (Z:\...): Wine turns a C:\ path on its own command line into
        # the Western code page, and these letters would not reach the program. The service that
        # the manager starts from there runs as C:\...
        self.assertEqual(self.prefix.run(self.path(installation.exe), capture=False).returncode, 0)
        lines = installation.take(len(FIRST_START_BY_HAND) + len(STARTED) + 2)
        service = STARTED + ['"%s\\hotfix" 2.0 doinstall' % ANY_LANGUAGE_ROOT, LAUNCHED]
        self.assertTrue(is_interleaving(lines, FIRST_START_BY_HAND, service), lines)
        self.assertTrue(self.svcctl("config").values["binary"].endswith(installation.exe[2:] + '"'))
        # The installer deleted the descriptor it was given; the companion keeps its journal beside it.
        self.assertFalse(descriptor.exists())
        installation.wait_for_starts(1)
        self.assertEqual(self.events("EVENT_SERVICE_STARTED"), [(INFORMATION, [VERSION, installation.directory, ""])])
        installation.companion.stop()
        wait_until(installation.companion.exits, EVENT_TIMEOUT, "the companion's end")
        self.without_utf8_the_service_refuses_its_path(installation)
        self._remove_service()

    def without_utf8_the_service_refuses_its_path(self, installation):
        # The same executable without its manifest's UTF-8 setting, as on Windows before 1903: code
        # page 1252 cannot hold these letters, so its narrow path names another folder. The
        # service stops with the error and is not started again; its log stays beside it.
        self.assertEqual(winelab.stop_service(self.prefix, SVCCTL, EVENT_TIMEOUT), 0)
        exe = self.path(installation.exe)
        exe.write_bytes(without_utf8_setting(exe.read_bytes()))
        descriptor = self.write_file(ANY_LANGUAGE_ROOT + r"\hotfix\hotfix.ini", b"2.0\r\n0\r\n")
        installation.seen = len(installation.log.messages())
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        narrow = installation.exe.encode("cp1252", "replace").decode("cp1252")
        refused = "code page 1252 cannot hold the program path: " + narrow
        messages = installation.wait_for_log(lambda m: "QeltWatch Exit" in m, "the refusing service's end")
        self.assertEqual(messages[:3], STARTED + [refused])
        self.assertCountEqual(messages[3:], ["QeltWatch stopped", "StartServiceCtrlDispatcher success!",
                                             "QeltWatch Exit"])
        status = self.service_status()
        self.assertEqual((status["state"], status["win32exit"]), (str(SERVICE_STOPPED), str(ERROR_NO_UNICODE_TRANSLATION)))
        self.assertEqual(self.events("EVENT_PATH_NOT_IN_CODE_PAGE"), [(ERROR, [narrow, "1252", ""])])
        self.assertTrue(descriptor.exists(), "the hotfix step ran")
        self.assertEqual(len(installation.companion.starts()), 1)


if __name__ == "__main__":
    unittest.main()
