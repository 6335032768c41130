"""The QeltWatch service in a prefix: installed by hand as an administrator would, asked about
and stopped through the fixture svcctl.exe, seen on the host through /proc."""

import winelab
from layout import BUILD_BIN, only_pid

SVCCTL = BUILD_BIN / "svcctl.exe"
RUNNING = winelab.SERVICE_RUNNING


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
        code = self.prefix.run(self.exe, timeout=120, capture=False).returncode
        if code != 0:
            raise RuntimeError(f"QeltWatch.exe started by hand exited with {code}")

    def svcctl(self, *args, timeout=60):
        result = winelab.svcctl(self.prefix, SVCCTL, *args, timeout=timeout)
        if result.error is not None:
            raise RuntimeError(f"svcctl {' '.join(map(str, args))}: {result.lines}")
        return result

    def status(self):
        """svcctl status as a dict of numbers; empty when the service cannot be asked."""
        result = winelab.svcctl(self.prefix, SVCCTL, "status")
        return {key: int(value) for key, value in result.values.items() if value.isdigit()}

    def start(self):
        self.svcctl("start")

    def stop(self):
        """Stops the service and waits for its process to end."""
        code = winelab.stop_service(self.prefix, SVCCTL, 15)
        if code != 0:
            raise RuntimeError(f"the service's process ended with {code}")

    def delete(self):
        self.svcctl("delete")

    def unix_pid(self, timeout=30):
        return only_pid(self.prefix, self.exe, timeout)
