"""A storm of rapid starts and stops through Wine's service control manager, which can leave
several processes of the service running at once and send its stops to some of them only: one
process supervises at a time (the companion, relaunched a second after each end, never runs twice
at once), and after the final stop no process of the service is left."""

import time
import unittest

from wineharness import SERVICE_STOPPED, SVCCTL, WineTestCase, wait_until, winelab

CYCLES = 15


class StartStopStormTest(WineTestCase):
    def test_one_supervisor_whatever_the_manager_does(self):
        self.companion.set_mode("exit")
        self.register_service()
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        self.installation.wait_for_starts(1)
        # A start returns only once the new process has connected, some 2 s later: the starts
        # overlap, as in a storm.
        starts = []
        for _ in range(CYCLES):
            self.svcctl("control", "1")
            starts.append(self.start_program(SVCCTL, "start"))
            time.sleep(0.3)
        for start in starts:
            start.wait(timeout=winelab.PROGRAM_TIMEOUT)
        # Whatever the manager made of the storm, one last start and stop.
        self.svcctl("start")
        self.installation.wait_for_starts(len(self.companion.starts()) + 2)
        self.svcctl("control", "1")
        self.wait_for_state(SERVICE_STOPPED)
        wait_until(lambda: not self.prefix.processes("QeltWatch.exe"), 10, "no process of the service")
        self.assert_never_two_companions()

    def assert_never_two_companions(self):
        """Each companion started after the one before it had ended."""
        exits = dict(self.companion.exits())
        starts = self.companion.starts()
        for (before, _), (pid, started) in zip(starts, starts[1:]):
            self.assertIn(before, exits, starts)
            self.assertGreaterEqual(started, exits[before], (pid, starts, exits))


if __name__ == "__main__":
    unittest.main()
