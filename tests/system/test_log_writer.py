"""The service's log writer in real processes under Wine: where the file goes, and what two
processes writing at once leave in it."""

import re
import unittest
from pathlib import Path

from wineharness import BIN, BIN_DIR, INSTALL_ROOT, WEEKDAYS, WineTestCase, split_log, unix_millis, wait_until

WRITER = BIN + r"\fixture_log_writer.exe"
HOLDER = BIN + r"\fixture_file_holder.exe"
LOG = BIN + r"\QeltService.log"
LONGEST_LINE = len(b"[2015.07.08 09:05:03 Wednesday]\t[QeltService]: A 499\r\n")


class LogWriterTest(WineTestCase):
    def setUp(self):
        super().setUp()
        self.place(BIN_DIR / "fixture_log_writer.exe", WRITER)
        self.place(BIN_DIR / "fixture_file_holder.exe", HOLDER)

    def test_log_lies_beside_the_executable_in_a_directory_whose_path_holds_blanks(self):
        before = unix_millis()
        self.assertEqual(self.run_program(WRITER, "3", "probe").returncode, 0)
        after = unix_millis()

        lines, rest = split_log(self.path(LOG).read_bytes())
        self.assertEqual(rest, b"")
        self.assertTrue(all(line.well_formed for line in lines), lines)
        self.assertEqual([line.message for line in lines], ["probe 0", "probe 1", "probe 2"])
        for line in lines:
            # The tests run with TZ=UTC, so the local time the stamp shows is UTC.
            self.assertEqual(line.weekday, WEEKDAYS[line.stamp.weekday()])
            moment = line.stamp.timestamp() * 1000
            self.assertGreaterEqual(moment, before - 2000)
            self.assertLessEqual(moment, after + 2000)

        # Nowhere else: not in the current directory of the process, not one level up.
        self.assertFalse((Path.cwd() / "QeltService.log").exists())
        self.assertFalse(self.path(INSTALL_ROOT + r"\QeltService.log").exists())
        self.assertFalse(self.path(r"C:\windows\QeltService.log").exists())
        self.assertFalse(self.path(r"C:\windows\system32\QeltService.log").exists())

    def write_500_lines_in_each_of_two_processes_at_once(self):
        """Starts two writers, lets them begin together, and returns the log's bytes."""
        gate = BIN + r"\writers-go"
        outputs = [self.path(BIN + r"\writer-%s.txt" % tag) for tag in "AB"]
        writers = []
        for tag, output in zip("AB", outputs):
            with open(output, "w") as stdout:
                writers.append(self.start_program(WRITER, "500", tag, gate, stdout=stdout))
        wait_until(lambda: all("waiting" in output.read_text() for output in outputs), 60, "both writers waiting")
        self.write_file(gate, b"")
        for writer in writers:
            self.assertEqual(writer.wait(timeout=120), 0)

        # Both wrote at the same time, or the test would show nothing.
        spans = []
        for output in outputs:
            times = dict(line.split() for line in output.read_text().splitlines() if " " in line)
            spans.append((int(times["begin"]), int(times["end"])))
        (begin_a, end_a), (begin_b, end_b) = spans
        self.assertTrue(begin_a <= end_b and begin_b <= end_a, "the writers did not overlap: %r" % spans)
        return self.path(LOG).read_bytes()

    def assert_whole_lines(self, data):
        lines, rest = split_log(data)
        self.assertEqual(rest, b"", "a partial line at the end")
        broken = [line for line in lines if not (line.well_formed and re.fullmatch(r"[AB] \d{1,3}", line.message))]
        self.assertEqual(broken, [])
        return lines

    def indexes_of(self, lines, tag):
        return [int(line.message.split()[1]) for line in lines if line.message.split()[0] == tag]

    def test_two_processes_writing_at_once_under_the_size_cap_leave_only_whole_lines(self):
        data = self.write_500_lines_in_each_of_two_processes_at_once()
        lines = self.assert_whole_lines(data)
        self.assertLessEqual(len(data), 2048 + LONGEST_LINE)
        # The cap deletes the file only while nobody has it open, so what is left holds, of
        # each writer, an unbroken run of lines: a gap is a line the other writer overwrote.
        for tag in "AB":
            indexes = self.indexes_of(lines, tag)
            if indexes:
                self.assertEqual(indexes, list(range(indexes[0], indexes[0] + len(indexes))), tag)
        # The very last line written was never capped away.
        self.assertIn(lines[-1].message, ("A 499", "B 499"))

    def test_two_processes_writing_at_once_lose_no_line_while_the_cap_is_held_off(self):
        # Another program holding the log open (sharing read and write, not delete) makes
        # every cap fail, so the log keeps all 1000 lines and any lost line shows.
        stop = BIN + r"\holder-stop"
        with open(self.path(BIN + r"\holder.txt"), "w") as stdout:
            self.start_program(HOLDER, LOG, "rw", stop, stdout=stdout)
        wait_until(lambda: "holding" in self.path(BIN + r"\holder.txt").read_text(), 60, "the holder")
        self.addCleanup(self.write_file, stop, b"")

        lines = self.assert_whole_lines(self.write_500_lines_in_each_of_two_processes_at_once())
        for tag in "AB":
            self.assertEqual(self.indexes_of(lines, tag), list(range(500)), tag)


if __name__ == "__main__":
    unittest.main()
