"""Wine prefixes and Windows programs for the benchmark and soak drivers.

A prefix is copied from a template made once per build tree, so every run starts from the
same clean state (no service registered, no leftovers). Its server is started persistent and
booted by tools/wine-run, and ended with `wineserver -k` for that prefix only.
"""

import os
import shutil
import subprocess
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
WINE_RUN = REPO / "tools" / "wine-run"


class Prefix:
    """One Wine prefix. Windows paths are given as C:\\..., host paths as Path."""

    def __init__(self, path):
        self.path = Path(path).resolve()

    def env(self):
        env = dict(os.environ)
        env.update(
            QELT_WINEPREFIX=str(self.path),
            WINEPREFIX=str(self.path),
            WINEDEBUG="-all",
            WINEDLLOVERRIDES="mscoree,mshtml=",
            TZ="UTC",
        )
        return env

    def host_path(self, windows_path):
        drive, _, rest = windows_path.partition(":")
        if drive.upper() != "C":
            raise ValueError(f"not on drive C: {windows_path}")
        parts = [p for p in rest.split("\\") if p]
        return self.path.joinpath("drive_c", *parts)

    def run(self, program, *args, timeout=120):
        """Runs a program to its end; returns (exit code, stdout text without CRs)."""
        done = subprocess.run(
            [str(WINE_RUN), str(program), *map(str, args)],
            env=self.env(),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            timeout=timeout,
            check=False,
        )
        return done.returncode, done.stdout.decode("latin-1").replace("\r", "")

    def start(self, program, *args):
        """Starts a program and returns its Popen; its pid is the Windows program's unix pid."""
        return subprocess.Popen(
            [str(WINE_RUN), str(program), *map(str, args)],
            env=self.env(),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )

    def end_server(self):
        """Ends every process of this prefix through its own server, and waits for it."""
        env = self.env()
        for flag in ("-k", "-w"):
            subprocess.run(["wineserver", flag], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60,
                           check=False)


def _make_template(template):
    marker = template / ".qelt-template-ready"
    if marker.exists():
        return
    if template.exists():
        Prefix(template).end_server()
        shutil.rmtree(template)
    template.mkdir(parents=True)
    prefix = Prefix(template)
    code, _ = prefix.run("cmd", "/c", "exit", timeout=300)
    prefix.end_server()
    if code != 0:
        raise RuntimeError(f"making the template prefix {template} failed ({code})")
    marker.touch()


def fresh_prefix(work_dir, name):
    """A clean prefix at work_dir/name, copied from work_dir/prefix-template."""
    work_dir = Path(work_dir).resolve()
    _make_template(work_dir / "prefix-template")
    target = work_dir / name
    if target.exists():
        Prefix(target).end_server()
        shutil.rmtree(target)
    subprocess.run(["cp", "-a", str(work_dir / "prefix-template"), str(target)], check=True)
    (target / ".qelt-template-ready").unlink()
    return Prefix(target)


def remove_prefix(prefix):
    prefix.end_server()
    shutil.rmtree(prefix.path, ignore_errors=True)


def wait_for(predicate, timeout, interval=0.05):
    """Polls predicate until it returns a true value or timeout seconds pass; returns it."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)
