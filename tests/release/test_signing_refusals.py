"""make dist's signing inputs checked before anything is built: a certificate not valid for code
signing, a key that does not match, a missing file, a PKCS#12 file with a wrong password and a
key without its certificate each end tools/dist with a clear error and no build/dist (an older
release there is gone too, so nothing can be taken for the failed one); good PEM files and a
PKCS#12 file with its password from the environment are taken, and that password is on no
command line that OpenSSL or osslsigncode is run with."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from release_fixture import BIN_DIR, PASSWORD, REPO, SERVER_ONLY, ThrowawayCA, clone

sys.path.insert(0, str(REPO / "tools"))
import release_signing  # noqa: E402


class SigningRefusalTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="qelt-signing-"))
        cls.ca = ThrowawayCA(cls.scratch / "ca")
        cls.cert, cls.key = cls.ca.issue("QeltWatch Test Signer")
        cls.server_cert, cls.server_key = cls.ca.issue("Server Only", SERVER_ONLY)
        cls.bundle = cls.ca.pkcs12(cls.cert, cls.key, "right horse")
        cls.clone = clone(cls.scratch / "clone")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def dist(self, *args, password=None):
        env = {name: value for name, value in os.environ.items() if name != PASSWORD}
        if password is not None:
            env[PASSWORD] = password
        return subprocess.run([self.clone / "tools" / "dist", *map(str, args)], cwd=self.clone, env=env,
                              capture_output=True, text=True)

    def test_refused_before_building(self):
        missing = self.scratch / "missing.pem"
        cases = [
            ("server only", ["--sign-cert", self.server_cert, "--sign-key", self.server_key], None,
             "is not valid for code signing (no Code Signing extended key usage)"),
            ("wrong key", ["--sign-cert", self.cert, "--sign-key", self.server_key], None,
             "does not match the certificate"),
            ("missing certificate", ["--sign-cert", missing, "--sign-key", self.key], None,
             f"the signing file {missing} does not exist"),
            ("missing key", ["--sign-cert", self.cert, "--sign-key", missing], None,
             f"the signing file {missing} does not exist"),
            ("wrong password", ["--sign-cert", self.bundle], "wrong horse",
             "(its password is taken from SIGN_PASSWORD) failed"),
            ("PKCS#12 with a key", ["--sign-cert", self.bundle, "--sign-key", self.key], "right horse",
             "or SIGN_CERT alone as a PKCS#12 file"),
            ("key alone", ["--sign-key", self.key], None, "need SIGN_CERT"),
        ]
        dist = self.clone / "build" / "dist"
        for name, args, password, message in cases:
            with self.subTest(name):
                dist.mkdir(parents=True, exist_ok=True)
                (dist / "QeltWatch.exe").write_bytes(b"an older release")
                result = self.dist(*args, password=password)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(message, result.stderr)
                self.assertTrue(result.stderr.startswith("dist: "), result.stderr)
                self.assertFalse(dist.exists())
                self.assertFalse((self.clone / "build" / "dist.partial").exists())

    def test_password_never_on_a_command_line(self):
        """Each OpenSSL and osslsigncode run, as `ps` would list it, through wrappers on PATH."""
        wrappers, calls = self.scratch / "wrappers", self.scratch / "calls.txt"
        wrappers.mkdir()
        for tool in ("openssl", "osslsigncode"):
            (wrappers / tool).write_text('#!/bin/sh\necho "$0 $*" >>"%s"\nexec %s "$@"\n' % (calls, shutil.which(tool)))
            (wrappers / tool).chmod(0o755)
        signed = self.scratch / "signed.exe"
        path = os.environ["PATH"]
        os.environ.update(PATH=f"{wrappers}:{path}", **{PASSWORD: "right horse"})
        try:
            release_signing.Signer(self.bundle, None, "", "").sign(BIN_DIR / "QeltWatch.exe", signed, 0)
        finally:
            os.environ["PATH"] = path
            del os.environ[PASSWORD]
        listed = calls.read_text()
        self.assertIn("osslsigncode sign -pkcs12", listed)
        self.assertIn("openssl pkcs12", listed)
        self.assertNotIn("horse", listed)
        verified = subprocess.run(["osslsigncode", "verify", "-CAfile", self.ca.cert, "-in", signed],
                                  capture_output=True, text=True)
        self.assertEqual(verified.returncode, 0, verified.stdout)

    def test_taken(self):
        os.environ.pop(PASSWORD, None)
        pem = release_signing.Signer(self.cert, self.key, "", "")
        self.assertIn("signing certificate: subject=CN=QeltWatch Test Signer", pem.describe(0))
        os.environ[PASSWORD] = "right horse"
        try:
            self.assertEqual(release_signing.Signer(self.bundle, None, "", "").certificate.count(b"BEGIN CERT"), 1)
        finally:
            del os.environ[PASSWORD]


if __name__ == "__main__":
    unittest.main()
