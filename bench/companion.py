"""The fixture companion, installed as qelt-monitor.exe: its mode file, stop file and journal.

The companion writes "start <pid> <ms>" when it begins and "exit <pid> <ms>" just before it
returns, with ms the wall clock in milliseconds since the Unix epoch (the host's clock).
"""

from pathlib import Path

from winelab import REPO

BUILD_BIN = REPO / "build" / "bench" / "bin"


class Companion:
    def __init__(self, host_dir):
        self.dir = Path(host_dir)

    def install(self, mode):
        self.dir.mkdir(parents=True, exist_ok=True)
        data = (BUILD_BIN / "fixture_companion.exe").read_bytes()
        (self.dir / "qelt-monitor.exe").write_bytes(data)
        self.set_mode(mode)

    def set_mode(self, mode):
        (self.dir / "companion-mode.txt").write_text(mode + "\n")

    def stop(self):
        """Asks a companion in mode run to end (it deletes the file and exits)."""
        (self.dir / "companion-stop").touch()

    def records(self):
        """[(kind, windows pid, ms)] for the start and exit lines, in file order."""
        try:
            text = (self.dir / "companion-starts.txt").read_text(errors="replace")
        except OSError:
            return []
        found = []
        for line in text.splitlines():
            parts = line.split()
            if len(parts) == 3 and parts[0] in ("start", "exit") and parts[2].isdigit():
                found.append((parts[0], int(parts[1]), int(parts[2])))
        return found

    def starts(self):
        return [(pid, ms) for kind, pid, ms in self.records() if kind == "start"]

    def gaps(self, since_ms=0, until_ms=None):
        """Milliseconds from each exit to the following start, for starts in the window."""
        found = []
        last_exit = None
        for kind, _, ms in self.records():
            if kind == "exit":
                last_exit = ms
            elif last_exit is not None:
                if ms > since_ms and (until_ms is None or ms <= until_ms):
                    found.append(ms - last_exit)
                last_exit = None
        return found
