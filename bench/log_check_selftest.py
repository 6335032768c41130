"""Checks that the soak's log checks can fail: run by hand with python3 (no Wine needed)."""

import datetime
import unittest

from log_check import LogFault, check_log

EARLY = datetime.datetime(2015, 7, 8, 0, 0, 0)
LATE = datetime.datetime(2015, 7, 9, 0, 0, 0)
GOOD = b"[2015.07.08 09:05:03 Wednesday]\t[QeltService]: qelt-monitor start success!\r\n"


class LogCheckTest(unittest.TestCase):
    def test_good_lines_pass_and_report_size(self):
        self.assertEqual(check_log(GOOD * 2, EARLY, LATE), (2 * len(GOOD), len(GOOD)))

    def test_empty_file_passes(self):
        self.assertEqual(check_log(b"", EARLY, LATE), (0, 0))

    def test_wrong_weekday_fails(self):
        with self.assertRaises(LogFault):
            check_log(GOOD.replace(b"Wednesday", b"Thursday"), EARLY, LATE)

    def test_lone_line_feed_fails(self):
        with self.assertRaises(LogFault):
            check_log(GOOD[:-2] + b"\n", EARLY, LATE)

    def test_torn_line_fails(self):
        with self.assertRaises(LogFault):
            check_log(GOOD + GOOD[:20], EARLY, LATE)

    def test_unexpected_message_fails(self):
        with self.assertRaises(LogFault):
            check_log(GOOD.replace(b"start success!", b"start failed (2)"), EARLY, LATE)

    def test_stamp_outside_run_fails(self):
        later = GOOD.replace(b"2015.07.08", b"2015.07.10").replace(b"Wednesday", b"Friday")
        with self.assertRaises(LogFault):
            check_log(later, EARLY, LATE)

    def test_more_than_cap_before_last_line_fails(self):
        lines = GOOD * (2048 // len(GOOD) + 1)
        self.assertGreater(len(lines), 2048)
        with self.assertRaises(LogFault):
            check_log(lines + GOOD, EARLY, LATE)

    def test_cap_plus_one_line_passes(self):
        body = GOOD * (2048 // len(GOOD))
        self.assertLessEqual(len(body), 2048)
        size, last = check_log(body + GOOD, EARLY, LATE)
        self.assertEqual(size - last, len(body))


if __name__ == "__main__":
    unittest.main()
