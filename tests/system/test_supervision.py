"""The supervision loop under Wine's service control manager: finding, launching and
relaunching the companion, and what a companion that cannot be launched does to the service."""

import time
import unittest

from wineharness import (
    BIN,
    BIN_DIR,
    COMPANION,
    NO_HOTFIX_LINE,
    WineTestCase,
    contains_in_order,
    unix_millis,
    wait_until,
)

STARTED = ["QeltWatch already installed!", "QeltWatch start!"]
LAUNCHED = "qelt-monitor start success!"
ENDED = "qelt-monitor  exit!"


class SupervisionTest(WineTestCase):
    def assert_about_a_second(self, earlier_ms, later_ms):
        # The loop sleeps 1000 ms; the bounds only have to tell that pause from none or from
        # a stall, on however loaded a machine.
        self.assertGreaterEqual(later_ms - earlier_ms, 800)
        self.assertLessEqual(later_ms - earlier_ms, 5000)

    def assert_hotfix_step_right_before_each_launch(self):
        messages = self.log.messages()
        for index, message in enumerate(messages):
            if message == LAUNCHED:
                self.assertGreater(index, 0)
                self.assertEqual(messages[index - 1], NO_HOTFIX_LINE, messages)
        self.assertEqual(messages.count(NO_HOTFIX_LINE), messages.count(LAUNCHED), messages)

    def test_companion_already_running_is_waited_for_before_anything_is_launched(self):
        self.start_program(COMPANION)
        [(found, _)] = self.wait_for_companion_starts(1)

        self.start_service()
        self.wait_for_log(lambda messages: messages == STARTED, "the service main's first line")
        # A launch would follow the running report within milliseconds.
        time.sleep(2)
        self.assertEqual(self.log.messages(), STARTED)
        self.assertEqual(len(self.companion_starts()), 1)

        self.stop_companion()
        [_, (relaunched, started_ms)] = self.wait_for_companion_starts(2)
        [(exited, exited_ms)] = self.companion_exits()
        self.assertEqual(exited, found)
        self.assert_about_a_second(exited_ms, started_ms)
        self.assertEqual(self.wait_for_message(LAUNCHED), STARTED + [ENDED, LAUNCHED])
        self.assert_hotfix_step_right_before_each_launch()

    def test_companion_is_launched_at_once_and_relaunched_about_a_second_after_it_exits(self):
        self.register_service()
        self.assertEqual(self.svcctl("start").lines, ["ok"])
        # The manager's start returns once the service has connected; it reports itself
        # running and launches the companion straight away, with no pause of its own.
        connected_ms = unix_millis()
        [(first, first_ms)] = self.wait_for_companion_starts(1)
        # A pause of the loop's own (1000 ms) would put the start past this bound; the bound
        # leaves everything else to a loaded machine.
        self.assertLess(first_ms - connected_ms, 1000)
        self.assertEqual(self.wait_for_message(LAUNCHED), STARTED + [LAUNCHED])
        # Started hidden with no parameters: its command line is its path alone.
        self.assertEqual(self.companion_record("argc", first), "1")

        self.stop_companion()
        [_, (second, second_ms)] = self.wait_for_companion_starts(2)
        [(exited, exited_ms)] = self.companion_exits()
        self.assertEqual(exited, first)
        self.assertNotEqual(second, first)
        self.assert_about_a_second(exited_ms, second_ms)
        self.assertEqual(self.wait_for_message(LAUNCHED, 2), STARTED + [LAUNCHED, ENDED, LAUNCHED])
        self.assert_hotfix_step_right_before_each_launch()

    def test_companion_that_exits_at_once_is_relaunched_about_once_a_second(self):
        self.set_companion_mode("exit")
        self.start_service()
        starts = self.wait_for_companion_starts(5)
        exits = dict(self.companion_exits())
        for (pid, _), (_, next_ms) in zip(starts, starts[1:]):
            self.assert_about_a_second(exits[pid], next_ms)

        messages = self.wait_for_message(LAUNCHED, 5)
        self.assertEqual(messages[:2], STARTED)
        # From then on only the two lines of each relaunch, in turn.
        cycle = messages[2:]
        self.assertEqual(cycle[::2], [LAUNCHED] * len(cycle[::2]), messages)
        self.assertEqual(cycle[1::2], [ENDED] * len(cycle[1::2]), messages)

    def test_missing_companion_ends_the_loop_and_the_service_has_itself_started_again(self):
        self.path(COMPANION).unlink()
        self.start_service()

        messages = self.wait_for_message("QeltWatch stopped", 2)
        self.assertEqual(
            messages[:3], ["QeltWatch already installed!", "QeltWatch start!", "qelt-monitor start failed (2)"]
        )
        # The stopped report lets the dispatcher return on the main thread while the service
        # thread writes its last line: these two come in either order.
        self.assertCountEqual(messages[3:5], ["QeltWatch stopped", "StartServiceCtrlDispatcher success!"])
        # A second later the process asks the manager to start the service again; the new
        # process fails in the same way.
        self.assertEqual(messages[5], "QeltWatch start!")
        second_run = ["QeltWatch already installed!", "qelt-monitor start failed (2)", "QeltWatch stopped"]
        self.assertTrue(contains_in_order(messages[6:], second_run), messages)
        self.wait_for_message("StartService success!")
        for never in (LAUNCHED, "Qelt-watch Exit!", "QeltWatch Exit"):
            self.assertNotIn(never, self.log.messages())

    def test_process_whose_name_differs_only_in_letter_case_is_not_the_companion(self):
        other = BIN + r"\other\QELT-MONITOR.EXE"
        self.place(BIN_DIR / "fixture_companion.exe", other)
        self.start_program(other)
        wait_until(self.path(BIN + r"\other\companion-starts.txt").exists, 60, "the other program's start")

        self.start_service()
        self.wait_for_companion_starts(1)
        self.assertEqual(self.wait_for_message(LAUNCHED), STARTED + [LAUNCHED])


if __name__ == "__main__":
    unittest.main()
