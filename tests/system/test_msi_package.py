"""The installer package under Wine's own msiexec, silent, in a prefix of its own. The install has
the executable register itself and start the service, which launches the companion; the same
version again is the same product, taken down and started anew; a package of a higher version,
carrying another executable, replaces it in place, with one product and one registration and
the new executable running; the uninstall stops and deletes the service, ends the companion and
removes the programs, leaving the log, the hotfix directory and nothing under the service's
registry key. Before all that, an install root too long for the service's path is refused, and so
is an existing root open to everyone, with nothing installed; a root in Cyrillic and Japanese
letters, under a folder the package creates for it, installs and uninstalls, and the uninstall
ends only the programs of that root, not those of a root whose name the Western code page reads
alike. The packages are built by tools/msi with the companion fixture; as a signed release is,
both executables and both packages are signed (with a throw-away certificate authority's), and
the signed files install, run as the service and uninstall."""

import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from wineharness import (
    BIN_DIR,
    DESCRIPTION,
    ERROR_SERVICE_DOES_NOT_EXIST,
    EVENT_SOURCE_KEY,
    EVENT_TIMEOUT,
    FIRST_START_BY_HAND,
    LAUNCHED,
    NO_HOTFIX,
    SERVICE_RUNNING,
    STARTED,
    Installation,
    WineTestCase,
    is_interleaving,
    wait_until,
    winelab,
)

ROOT = r"C:\Program Files\Qelt"
PACKAGES = r"C:\packages"
SERVICE_KEY = r"HKLM\System\CurrentControlSet\Services\QeltWatch"
PRODUCTS = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
LOG = PACKAGES + r"\msiexec.log"
# 242 characters: bin fits in a directory path (246), bin\QeltWatch.exe (260) does not fit the
# 259 characters of a path the executable can register.
TOO_LONG_ROOT = "C:\\" + "\\".join(["Qelt fleet root"] * 15)
ERROR_INSTALL_FAILURE = 1603
OPEN_ROOT = r"C:\Open root"
# Neither root's letters are in code page 1252, the system's under Wine here; both read there as
# "C:\Qelt ?????? ??\Suite". The folder above the first does not exist before the install.
ANY_LANGUAGE_ROOT = "C:\\Qelt \u041a\u043e\u0440\u0435\u043d\u044c \u65e5\u672c\\Suite"
ALIKE_ROOT = "C:\\Qelt \u0414\u0435\u0440\u0435\u0432\u043e \u65e5\u672c\\Suite"
REGISTRATION = {"type": "16", "start": "2", "error": "1", "binary": '"%s\\bin\\QeltWatch.exe"' % ROOT, "group": "",
                "tag": "0", "dependencies": "empty", "account": "LocalSystem", "display": "QeltWatch",
                "description": DESCRIPTION}
EVENT_SOURCE = {"EventMessageFile": ROOT + r"\bin\QeltWatch.exe", "TypesSupported": "0x7"}

sys.path.insert(0, str(winelab.REPO / "tests" / "release"))
from release_fixture import ThrowawayCA  # noqa: E402


class PackageTest(WineTestCase):
    program_directory = ROOT + r"\bin"
    place_programs = False
    # Host file names in letters outside ASCII need a UTF-8 locale.
    prefix_env = {"LC_ALL": "C.UTF-8"}

    def setUp(self):
        super().setUp()
        self.older = (winelab.REPO / "VERSION").read_text().strip()
        major_minor, patch = self.older.rsplit(".", 1)
        self.newer = "%s.%d" % (major_minor, int(patch) + 1)
        scratch = tempfile.TemporaryDirectory(prefix="qelt-signing-")
        self.addCleanup(scratch.cleanup)
        self.ca = ThrowawayCA(scratch.name)
        self.older_exe = self.signed_exe("older", (BIN_DIR / "QeltWatch.exe").read_bytes())
        # It runs as the older one does, but is another file.
        self.newer_exe = self.signed_exe("newer", (BIN_DIR / "QeltWatch.exe").read_bytes() + b"QeltWatch " +
                                         self.newer.encode())
        self.build_package(self.older_exe.parent, self.older)
        self.build_package(self.newer_exe.parent, self.newer)

    def signed_exe(self, name, unsigned):
        """The signed executable in a directory of its own, beside the custom actions."""
        exe = self.path(PACKAGES + "\\%s\\QeltWatch.exe" % name)
        exe.parent.mkdir(parents=True)
        shutil.copyfile(BIN_DIR / "QeltWatchSetup.dll", exe.parent / "QeltWatchSetup.dll")
        (exe.parent / "unsigned.exe").write_bytes(unsigned)
        self.ca.sign(exe.parent / "unsigned.exe", exe)
        return exe

    def build_package(self, bin_dir, version):
        unsigned = bin_dir / "unsigned.msi"
        built = subprocess.run([winelab.REPO / "tools" / "msi", BIN_DIR / "fixture_companion.exe", "--bin", bin_dir,
                                "--version", version, "--output", unsigned], capture_output=True, text=True)
        self.assertEqual(built.returncode, 0, built.stderr)
        self.ca.sign(unsigned, self.path(self.package(version)))

    def package(self, version):
        return PACKAGES + "\\QeltWatch-%s.msi" % version

    def msiexec(self, action, version, *properties, expected=0):
        log = self.path(LOG)
        code = self.run_program("msiexec", action, self.package(version), *properties, "/qn", "/l*v", LOG)
        # Exit codes reach the host cut to 8 bits.
        self.assertEqual(code, expected & 0xFF, log.read_text(errors="replace")[-4000:] if log.exists() else "no log")

    def take_start_by_the_package(self):
        """A start by hand that registers the service, which starts and launches the companion."""
        lines = self.installation.take(len(FIRST_START_BY_HAND) + len(STARTED) + 2)
        self.assertTrue(is_interleaving(lines, FIRST_START_BY_HAND, STARTED + [NO_HOTFIX, LAUNCHED]), lines)

    def assert_running(self, executable, starts):
        """Registered as the executable registers itself and running from a copy of `executable`,
        with one companion running, the last of `starts`."""
        self.assertEqual(self.svcctl("config").values, REGISTRATION)
        self.assertEqual(self.registry_values(EVENT_SOURCE_KEY), EVENT_SOURCE)
        self.assertEqual(self.service_status()["state"], str(SERVICE_RUNNING))
        self.assertEqual(self.path(self.installation.exe).read_bytes(), executable.read_bytes())
        self.assertEqual(len(self.prefix.processes("QeltWatch.exe")), 1)
        self.installation.wait_for_starts(starts)
        self.assertEqual(len(self.prefix.processes("qelt-monitor.exe")), 1)

    def products(self):
        """The version of each installed product named QeltWatch."""
        listing = self.prefix.run("reg", "query", PRODUCTS, "/s").stdout.decode("cp1252")
        entries = listing.split("HKEY_LOCAL_MACHINE\\")[1:]
        return [re.search(r"DisplayVersion\s+REG_SZ\s+(\S+)", entry).group(1) for entry in entries
                if re.search(r"^\s+DisplayName\s+REG_SZ\s+QeltWatch\s*$", entry, re.M)]

    def test_install_again_upgrade_uninstall(self):
        # The executable cannot register itself there: the package's check fails it, rolled back.
        self.msiexec("/i", self.older, "INSTALLROOT=" + TOO_LONG_ROOT, expected=ERROR_INSTALL_FAILURE)
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(self.products(), [])
        self.open_root_is_refused()
        self.root_in_any_language()

        self.msiexec("/i", self.older)
        self.take_start_by_the_package()
        self.assert_running(self.older_exe, 1)

        # Each time, the service's process ends by itself before the executable registers again.
        self.msiexec("/i", self.older)
        self.take_stop()
        self.take_start_by_the_package()
        self.assert_running(self.older_exe, 2)
        self.assertEqual(self.products(), [self.older])

        self.msiexec("/i", self.newer)
        self.take_stop()
        self.take_start_by_the_package()
        self.assert_running(self.newer_exe, 3)
        self.assertEqual(self.products(), [self.newer])

        self.write_file(ROOT + r"\hotfix\hotfix.ini", "2.0\n0\n")
        self.msiexec("/x", self.newer)
        self.take_stop()
        self.assertEqual(self.installation.unseen(), [])
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(self.prefix.processes("QeltWatch.exe") + self.prefix.processes("qelt-monitor.exe"), [])
        left = sorted(str(path.relative_to(self.path(ROOT))) for path in self.path(ROOT).rglob("*"))
        self.assertEqual(left, ["bin", "bin/QeltService.log", "bin/companion-starts.txt", "hotfix",
                                "hotfix/hotfix.ini"])
        self.assertEqual((self.registry_values(SERVICE_KEY), self.registry_values(EVENT_SOURCE_KEY)), (None, None))
        self.assertEqual(self.products(), [])

    def open_root_is_refused(self):
        self.path(OPEN_ROOT).mkdir()
        self.path(OPEN_ROOT).chmod(0o777)
        self.msiexec("/i", self.older, "INSTALLROOT=" + OPEN_ROOT, expected=ERROR_INSTALL_FAILURE)
        refused = "QeltWatch: the install root %s is refused: %s writable by Everyone" % (OPEN_ROOT, OPEN_ROOT)
        self.assertIn(refused, self.path(LOG).read_text(errors="replace"))
        # Wine's installer removes the empty root when it rolls back; Windows leaves it.
        self.assertFalse(self.path(OPEN_ROOT + r"\bin").exists())
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(self.products(), [])

    def root_in_any_language(self):
        alike = winelab.Companion(self.path(ALIKE_ROOT + r"\bin"))
        alike.install(BIN_DIR / "fixture_companion.exe", "run")
        self.start_program(ALIKE_ROOT + r"\bin\qelt-monitor.exe")
        wait_until(alike.starts, EVENT_TIMEOUT, "the start of the companion of the look-alike root")
        installation = Installation(self, ANY_LANGUAGE_ROOT + r"\bin", place=False)
        self.msiexec("/i", self.older, "INSTALLROOT=" + ANY_LANGUAGE_ROOT)
        installation.wait_for_starts(1)
        # The root's folders were made by their own names, none by a name the letters lost.
        made = sorted(path.name for path in self.path("C:\\").iterdir()
                      if path.name.startswith("Qelt") and path.name != TOO_LONG_ROOT.split("\\")[1])
        self.assertEqual(made, sorted(root.split("\\")[1] for root in (ANY_LANGUAGE_ROOT, ALIKE_ROOT)))
        self.assertEqual(self.svcctl("config").values["binary"], '"%s"' % installation.exe)
        self.msiexec("/x", self.older)
        self.assertEqual(self.svcctl("status").error, ERROR_SERVICE_DOES_NOT_EXIST)
        self.assertEqual(len(self.prefix.processes("qelt-monitor.exe")), 1)
        self.assertEqual(alike.exits(), [])
        alike.stop()
        wait_until(alike.exits, EVENT_TIMEOUT, "the end of the companion of the look-alike root")


if __name__ == "__main__":
    unittest.main()
