"""What the release tests share: a certificate authority made by OpenSSL for one test run, and
the certificates it issues (a code-signing one and, to be refused, one for servers only), kept
in the caller's temporary directory and never committed; and a clone of this repository in
which `make dist` can run without touching the developer's build/dist."""

import os
import subprocess
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
BIN_DIR = Path(os.environ.get("QELT_BIN_DIR", REPO / "build" / "windows" / "bin"))
COMPANION = BIN_DIR / "fixture_companion.exe"
PASSWORD = "SIGN_PASSWORD"

CODE_SIGNING = "keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n"
SERVER_ONLY = "keyUsage=critical,digitalSignature\nextendedKeyUsage=serverAuth\n"


def openssl(*args, cwd, env=None):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True, env=env)


def git(*args, cwd=REPO):
    return subprocess.run(["git", *args], cwd=cwd, check=True, capture_output=True, text=True).stdout.strip()


def clone(dest):
    """A clone at the tracked files as they stand here (uncommitted changes included)."""
    commit = git("stash", "create") or git("rev-parse", "HEAD")
    git("clone", "--quiet", "--shared", "--no-checkout", str(REPO), str(dest))
    git("checkout", "--quiet", "--detach", commit, cwd=dest)
    return Path(dest)


def make(directory, *args, password=None):
    """`make` in `directory`, apart from any make running this test; the key's password, if
    any, only in the environment."""
    env = {name: value for name, value in os.environ.items()
           if name not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL", PASSWORD)}
    if password is not None:
        env[PASSWORD] = password
    return subprocess.run(["make", "--no-print-directory", *args], cwd=directory, env=env, capture_output=True,
                          text=True)


class ThrowawayCA:
    def __init__(self, directory, name="Throw-away Test CA"):
        self.dir = Path(directory)
        self.dir.mkdir(parents=True, exist_ok=True)
        self.cert, self.key = self.dir / "ca.pem", self.dir / "ca.key"
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.key, "-out", self.cert, "-days", "2",
                "-subj", "/CN=" + name, "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign", cwd=self.dir)

    def issue(self, name, extensions=CODE_SIGNING):
        """A certificate and its unencrypted key, as PEM files: (certificate, key)."""
        cert, key, request, ext = (self.dir / (name + suffix) for suffix in (".pem", ".key", ".csr", ".ext"))
        ext.write_text("basicConstraints=CA:FALSE\n" + extensions)
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request, "-subj", "/CN=" + name,
                cwd=self.dir)
        openssl("x509", "-req", "-in", request, "-CA", self.cert, "-CAkey", self.key, "-set_serial", "1",
                "-out", cert, "-days", "2", "-extfile", ext, cwd=self.dir)
        return cert, key

    def pkcs12(self, cert, key, password):
        """The certificate, its key and the authority's certificate in one PKCS#12 file."""
        bundle = cert.with_suffix(".p12")
        openssl("pkcs12", "-export", "-in", cert, "-inkey", key, "-certfile", self.cert, "-out", bundle,
                "-passout", "env:" + PASSWORD, cwd=self.dir, env=dict(os.environ, **{PASSWORD: password}))
        return bundle

    def sign(self, unsigned, signed):
        """`unsigned` signed as make dist signs, with a code-signing certificate of this authority."""
        if not hasattr(self, "signer"):
            self.signer = self.issue("QeltWatch Test Signer")
        cert, key = self.signer
        subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-h", "sha256", "-n", "QeltWatch",
                        "-in", unsigned, "-out", signed], check=True, capture_output=True)
