"""Requests to the running service through Wine's service control manager: the stop request
and every other control code the manager lets through."""

import time
import unittest

from wineharness import SERVICE_RUNNING, SERVICE_STOPPED, WineTestCase, wait_until, without_hotfix_step

LAUNCHED = "qelt-monitor start success!"


class ServiceControlTest(WineTestCase):
    def new_messages(self, before):
        return without_hotfix_step(self.log.messages())[len(before):]

    def test_stop_request_ends_the_process_with_code_0_and_leaves_the_companion_running(self):
        self.start_service()
        [(companion, _)] = self.wait_for_companion_starts(1)
        before = self.wait_for_message(LAUNCHED)

        # svcctl holds the service's process before it sends the stop, and waits for its end.
        self.assertEqual(self.svcctl("stop-wait", "60000").lines, ["ok", "exitcode=0"])
        after = self.new_messages(before)
        self.assertEqual(len(after), 4, after)
        self.assertEqual((after[0], after[3]), ("SERVICE_CONTROL_STOP", "QeltWatch Exit"))
        # Wine runs the handler on a thread of its own, not on the dispatcher's: the stopped
        # report can let the dispatcher return before the handler has written its last line.
        self.assertCountEqual(after[1:3], ["bExit:1", "StartServiceCtrlDispatcher success!"])
        status = self.service_status()
        self.assertEqual((status["state"], status["win32exit"]), (str(SERVICE_STOPPED), "0"))

        # The companion outlived the service: told to stop now, it records its own exit.
        self.assertEqual(self.companion_exits(), [])
        self.stop_companion()
        exits = wait_until(self.companion_exits, 60, "the companion's exit")
        self.assertEqual([pid for pid, _ in exits], [companion])

    def test_other_control_codes_reach_the_handler_only_as_the_manager_allows(self):
        self.start_service()
        before = self.wait_for_message(LAUNCHED)
        pid = self.service_status()["pid"]

        # Interrogate reaches the handler, which writes nothing and reports nothing.
        self.assertEqual(self.svcctl("control", "4").lines, ["ok"])
        # The service accepts neither pause nor continue: the manager refuses them itself.
        self.assertEqual(self.svcctl("control", "2").lines, ["error 1052"])
        self.assertEqual(self.svcctl("control", "3").lines, ["error 1052"])
        for code in ("128", "200", "255"):
            self.assertEqual(self.svcctl("control", code).lines, ["ok"])

        # ControlService returns once the handler has, so its lines are already written;
        # the pause gives a stray line the time to show.
        time.sleep(0.5)
        self.assertEqual(self.new_messages(before), ["Bad service request"] * 3)
        status = self.service_status()
        self.assertEqual(
            (status["state"], status["controls"], status["pid"]),
            (str(SERVICE_RUNNING), "1", pid),
        )


if __name__ == "__main__":
    unittest.main()
