"""The hotfix step inside the running service, over successive relaunches of the companion, in an
install root whose path has blanks and '&': nothing offered, a hotfix directory and then an
installer that any account could change, the installer's arguments and the wait for it, an installer
that outlives a stop of the service (restarted in a program directory open to everyone), one that is
no program, and a hotfix without installer removed by the system's cmd.exe, never one planted beside
the service. The service is registered by its install root in capitals, over folders named
otherwise: it then names them so, and each check of a path must still find it the same object."""

import os
import unittest
from types import SimpleNamespace

from wineharness import (
    BIN_DIR,
    ENDED,
    EVENT_TIMEOUT,
    INFORMATION,
    LAUNCHED,
    NO_HOTFIX,
    STARTED,
    WARNING,
    WineTestCase,
    wait_until,
    winelab,
)

ROOT = r"C:\Program Files\Qelt Suite & Co"
HOTFIX = ROOT + r"\hotfix"
DESCRIPTOR = HOTFIX + r"\hotfix.ini"
INSTALLER = HOTFIX + r"\hotfixs.exe"

WAITING = "hotfixs.exe still running, waiting"


def as_run(path):
    """A path as the service names it: the install root in the letter case it was registered by
    (capitals), what follows as the program directory's name and the service write it."""
    return ROOT.upper() + path[len(ROOT):] if path.startswith(ROOT) else path
OPEN_TO_EVERYONE = 0o777  # under Wine: Everyone may write


def parameters(version, verb):
    """The parameter string the service hands the installer, as it logs it."""
    return '"%s" %s %s' % (as_run(HOTFIX), version, verb)


class HotfixRelaunchTest(WineTestCase):
    program_directory = ROOT + r"\bin"

    def test_hotfix_step_before_each_relaunch(self):
        self.nothing_offered_and_the_companion_launched_at_once()
        self.hotfix_that_others_could_change_is_left_alone()
        self.installer_that_outlives_a_stop_is_never_run_twice_at_once()
        self.installer_that_is_no_program_keeps_nothing_from_starting()
        self.hotfix_without_installer_is_removed()

    def nothing_offered_and_the_companion_launched_at_once(self):
        self.place(BIN_DIR / "fixture_installer.exe", INSTALLER)
        self.register_service(as_run(self.installation.exe))
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        returned_ms = winelab.unix_millis()
        [(_, started_ms)] = self.installation.wait_for_starts(1)
        # A pause of the loop's own (1000 ms) would put the launch past this bound.
        self.assertLess(started_ms - returned_ms, 1000)
        self.assertEqual(self.installation.take_launch(), STARTED + [NO_HOTFIX, LAUNCHED])
        self.assertEqual(self.installer_runs(), [])
        # The entry pauses 2000 ms before it connects to the dispatcher, which starts the
        # service thread: its first line comes that much after the process's first.
        installed, started = self.log.arrivals()[:2]
        self.assertGreater(started - installed, 1.0)

    def hotfix_that_others_could_change_is_left_alone(self):
        self.write_file(DESCRIPTOR, b"2.0\n0\n")
        # The same refusal before every relaunch is one event.
        for opened, mode in ((HOTFIX, 0o755), (HOTFIX, 0o755), (INSTALLER, 0o644)):
            os.chmod(self.path(opened), OPEN_TO_EVERYONE)
            self.companion.stop()
            self.assertEqual(self.installation.take_launch(),
                             [ENDED, "hotfix not trusted: %s writable by Everyone" % as_run(opened), LAUNCHED])
            self.assertEqual((self.installer_runs(), self.path(DESCRIPTOR).exists()), ([], True))
            os.chmod(self.path(opened), mode)
        self.assertEqual(self.events("EVENT_HOTFIX_NOT_TRUSTED"),
                         [(WARNING, [as_run(opened), "writable by Everyone", ""]) for opened in (HOTFIX, INSTALLER)])

    def installer_that_outlives_a_stop_is_never_run_twice_at_once(self):
        self.write_file(HOTFIX + r"\installer-mode.txt", "hang")
        # A version with blanks reaches the installer unquoted: it sees it as several arguments.
        self.write_file(DESCRIPTOR, b"1.5 beta  2\n1\n")
        self.companion.stop()
        # Its arguments are all recorded once it has recorded its beginning.
        self.wait_for(lambda: any(run.begun for run in self.installer_runs()) or LAUNCHED in self.installation.unseen(),
                      "the installer's run")
        expected = parameters("1.5 beta  2", "douninstall")
        self.assertEqual(self.installation.take(2), [ENDED, expected])
        [run] = self.installer_runs()
        # The shell puts the program's path in front as it sees fit; the service's parameter
        # string follows, byte for byte.
        self.assertTrue(run.cmdline.endswith(" " + expected), run)
        self.assertEqual(run.args, [as_run(HOTFIX), "1.5", "beta", "2", "douninstall"])

        self.stop_service_and_check()

        # Started again while the first installer still runs: the new process waits for it. The
        # program directory is open to everyone now: the start says so once, and goes on.
        os.chmod(self.path(self.program_directory), OPEN_TO_EVERYONE)
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        self.wait_for(lambda: WAITING in self.installation.unseen() or len(self.installer_runs()) > 1, "the wait line")
        exposed = "program not trusted: %s writable by Everyone" % as_run(self.program_directory)
        self.assertEqual(self.installation.take(4), STARTED + [exposed, WAITING])
        self.assertEqual(self.events("EVENT_PROGRAM_NOT_TRUSTED"),
                         [(WARNING, [as_run(self.program_directory), "writable by Everyone", ""])])
        self.assertEqual(self.events("EVENT_HOTFIX_INSTALLER_RUN"),
                         [(INFORMATION, [as_run(INSTALLER), "1.5 beta  2", "douninstall", ""])])
        self.assertEqual([run.end for run in self.installer_runs()], [None])

        starts = len(self.companion.starts())
        self.write_file(HOTFIX + r"\installer-stop", b"")  # it deletes the descriptor and ends
        [*_, (_, started_ms)] = self.installation.wait_for_starts(starts + 1)
        [run] = self.installer_runs()
        self.assertGreaterEqual(started_ms, run.end)
        self.assertEqual(self.installation.take_launch(), [NO_HOTFIX, LAUNCHED])

    def installer_that_is_no_program_keeps_nothing_from_starting(self):
        self.write_file(INSTALLER, b"this is a text file, not a program\r\n")
        self.write_file(DESCRIPTOR, b"2.0\r\n0\r\n")
        self.companion.stop()
        expected = parameters("2.0", "doinstall")
        cannot_start = "delete param :%s failed!" % expected
        self.assertEqual(self.installation.take_launch(), [ENDED, expected, cannot_start, LAUNCHED])
        self.assertTrue(self.path(DESCRIPTOR).exists())

    def hotfix_without_installer_is_removed(self):
        # A cmd.exe beside the service, where anyone could put one now, is never the one run.
        planted = self.place(BIN_DIR / "fixture_installer.exe", self.program_directory + r"\cmd.exe")
        self.path(INSTALLER).unlink()
        self.write_file(DESCRIPTOR, b"2.0\r\n0\r\n")
        self.write_file(HOTFIX + r"\sub\payload.dat", b"x")
        beside = self.write_file(ROOT + r"\hotfix.txt", b"keep")
        self.companion.stop()
        self.assertEqual(self.installation.take_launch(), [ENDED, as_run(INSTALLER) + " is not exist!", LAUNCHED])
        self.assertEqual((self.path(HOTFIX).exists(), beside.exists()), (False, True))
        self.assertFalse((planted.parent / "installer-runs.txt").exists())
        self.companion.stop()
        self.assertEqual(self.installation.take_launch(), [ENDED, NO_HOTFIX, LAUNCHED])

    def wait_for(self, predicate, what):
        return wait_until(predicate, EVENT_TIMEOUT, lambda: "%s; log: %r; installer runs: %r" % (
            what, self.log.messages(), self.installer_runs()))

    # The installer fixture records each run in installer-runs.txt beside itself: its command
    # line, the arguments the C run-time parsed (its own name left out), and the wall-clock ms
    # of its end.

    def installer_runs(self):
        journal = self.path(HOTFIX + r"\installer-runs.txt")
        runs = []
        for line in journal.read_text(encoding="latin-1").splitlines() if journal.exists() else []:
            kind, _, value = line.partition(" ")
            if kind == "cmdline":
                runs.append(SimpleNamespace(cmdline=value, args=[], begun=False, end=None))
            elif kind == "arg" and not value.startswith("0 "):
                runs[-1].args.append(value.partition(" ")[2])
            elif kind == "begin":
                runs[-1].begun = True
            elif kind == "end":
                runs[-1].end = int(value)
        return runs


if __name__ == "__main__":
    unittest.main()
