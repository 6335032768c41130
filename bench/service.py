"""The QeltWatch service in a prefix: installed by hand as an administrator would, asked about
and stopped through the fixture svcctl.exe, seen on the host through /proc."""

import hostproc
import winelab
from companion import BUILD_BIN

SVCCTL = BUILD_BIN / "svcctl.exe"
RUNNING = 4


class Service:
    def __init__(self, prefix, windows_dir):
        self.prefix = prefix
        self.windows_dir = windows_dir.rstrip("\\")
        self.exe = self.windows_dir + "\\QeltWatch.exe"
        self.host_dir = prefix.host_path(self.windows_dir)

    @property
    def log_path(self):
        return self.host_dir / "QeltService.log"

    def install(self):
        """Copies the executable in and runs it by hand; it registers and starts the service."""
        self.host_dir.mkdir(parents=True, exist_ok=True)
        (self.host_dir / "QeltWatch.exe").write_bytes((BUILD_BIN / "QeltWatch.exe").read_bytes())
        code, _ = self.prefix.run(self.exe, timeout=120)
        if code != 0:
            raise RuntimeError(f"QeltWatch.exe started by hand exited with {code}")

    def svcctl(self, *args, timeout=60):
        return self.prefix.run(SVCCTL, *args, timeout=timeout)

    def status(self):
        """svcctl status as a dict of numbers; empty when the service cannot be asked."""
        code, out = self.svcctl("status")
        if code != 0:
            return {}
        pairs = (line.split("=", 1) for line in out.splitlines() if "=" in line)
        return {key: int(value) for key, value in pairs if value.isdigit()}

    def start(self):
        code, out = self.svcctl("start")
        if code != 0:
            raise RuntimeError(f"svcctl start failed: {out.strip()}")

    def stop(self):
        """Stops the service and waits for its process to end."""
        code, out = self.svcctl("stop-wait", 15000, timeout=60)
        if code != 0:
            raise RuntimeError(f"svcctl stop-wait failed: {out.strip()}")

    def delete(self):
        self.svcctl("delete")

    def unix_pid(self, timeout=30):
        """The unix pid of the one running service process (none started by hand runs now)."""
        def one():
            pids = hostproc.wine_pids(self.prefix.path, self.exe)
            return pids[0] if len(pids) == 1 else None

        pid = winelab.wait_for(one, timeout, interval=0.1)
        if pid is None:
            raise RuntimeError(f"no single process of {self.exe} found")
        return pid
