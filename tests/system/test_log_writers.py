"""Two processes writing the service's log at once through the service's own log writer (the
companion fixture's write role), with the size cap held off by a viewer that maps the log, and
under the cap."""

import re
import unittest

from wineharness import EVENT_TIMEOUT, WineTestCase, wait_until, winelab

BIN = WineTestCase.program_directory
COMPANION = BIN + r"\qelt-monitor.exe"
LOG = BIN + r"\QeltService.log"
LINES_EACH = 500


class LogWritersTest(WineTestCase):
    def write_in_two_processes_at_once(self):
        """Starts two writers, lets them begin together, and returns the messages of the log."""
        gate = BIN + r"\writers-go"
        self.path(gate).unlink(missing_ok=True)
        outputs = {tag: self.path(BIN + r"\writer-%s.txt" % tag) for tag in "AB"}
        writers = []
        for tag, output in outputs.items():
            with open(output, "w") as stdout:
                writer = self.start_program(COMPANION, "write", str(LINES_EACH), tag, gate, stdout=stdout)
                writers.append(writer)
        wait_until(
            lambda: all("waiting" in output.read_text() for output in outputs.values()),
            EVENT_TIMEOUT,
            "both writers waiting",
        )
        self.write_file(gate, b"")
        for writer in writers:
            self.assertEqual(writer.wait(timeout=EVENT_TIMEOUT * 2), 0)

        # Unless both wrote at the same time, the test shows nothing.
        spans = [dict(line.split() for line in out.read_text().splitlines()[1:]) for out in outputs.values()]
        first, second = [(int(span["begin"]), int(span["end"])) for span in spans]
        self.assertTrue(first[0] <= second[1] and second[0] <= first[1], "no overlap: %r" % spans)

        lines, rest = winelab.split_log(self.path(LOG).read_bytes())
        self.assertEqual(rest, b"", "a partial line at the end")
        written = re.compile(r"[AB] -?\d+")
        broken = [line for line in lines if not (line.well_formed and written.fullmatch(line.message))]
        self.assertEqual(broken, [])
        return [line.message for line in lines]

    def indexes_written_by(self, messages, tag):
        return [int(message[2:]) for message in messages if message[0] == tag]

    def test_two_writers_lose_no_line_and_leave_only_whole_lines(self):
        # A viewer that maps the log keeps it from being emptied, so the log keeps all lines and
        # any line lost shows. What it maps is one line written before.
        self.write_file(LOG, b"[2026.12.07 10:00:00 Monday]\t[QeltService]: A -1\r\n")
        said = self.path(BIN + r"\holder.txt")
        with open(said, "w") as stdout:
            holder = self.start_program(COMPANION, "hold", LOG, BIN + r"\holder-stop", stdout=stdout)
        wait_until(lambda: "holding" in said.read_text(), EVENT_TIMEOUT,
                   lambda: "the holder (still running: %s)" % (holder.poll() is None))
        messages = self.write_in_two_processes_at_once()
        for tag in "AB":
            self.assertEqual(self.indexes_written_by(messages, tag), list(range(-1 if tag == "A" else 0, LINES_EACH)),
                             tag)

        # Under the cap, which begins the log anew in a writer's turn, what is left holds of each
        # writer an unbroken run of lines: a gap is a line the other writer overwrote.
        self.write_file(BIN + r"\holder-stop", b"")
        self.assertEqual(holder.wait(timeout=EVENT_TIMEOUT), 0)
        messages = self.write_in_two_processes_at_once()
        for tag in "AB":
            indexes = self.indexes_written_by(messages, tag)
            unbroken = list(range(indexes[0], indexes[0] + len(indexes))) if indexes else []
            self.assertEqual(indexes, unbroken, tag)
        # The last line written was never capped away.
        self.assertIn(messages[-1], ("A %d" % (LINES_EACH - 1), "B %d" % (LINES_EACH - 1)))


if __name__ == "__main__":
    unittest.main()
