"""A signed release made and checked from a fresh clone, with a certificate authority made for
this run: make dist signs with PEM files; osslsigncode verifies the executable and the package
against that authority (and not against another); the executable inside the package is the
signed one; make check-release rebuilds the commit unsigned (its own two builds the same bytes),
attaches the published signatures and gets the released bytes, and refuses a release whose
executable was changed; signing again from a PKCS#12 file, its password in the environment,
gives the same bytes; a time-stamp server that cannot be reached ends make dist with no release
left. Four to seven minutes: it builds the executable four times."""

import hashlib
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from release_fixture import COMPANION, ThrowawayCA, clone, make

URL = "https://qeltwatch.example/"
SIGNED = ["QeltWatch-{v}.zip", "QeltWatch.exe", "QeltWatch.exe.sig", "QeltWatch-{v}.msi", "QeltWatch-{v}.msi.sig"]


def verify(path, ca):
    return subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in", path], capture_output=True, text=True)


class SignedReleaseTest(unittest.TestCase):
    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp(prefix="qelt-release-"))
        self.addCleanup(shutil.rmtree, self.scratch)
        self.ca = ThrowawayCA(self.scratch / "ca")
        leaf, self.key = self.ca.issue("QeltWatch Test Signer")
        # The signing certificate first, then the chain, as a PKCS#12 file holds them.
        self.cert = self.scratch / "chain.pem"
        self.cert.write_bytes(leaf.read_bytes() + self.ca.cert.read_bytes())
        self.leaf = leaf
        self.clone = clone(self.scratch / "clone")
        self.dist = self.clone / "build" / "dist"
        self.version = (self.clone / "VERSION").read_text().strip()

    def make_ok(self, *args, password=None):
        result = make(self.clone, *args, password=password)
        self.assertEqual(result.returncode, 0, result.stdout[-3000:] + result.stderr[-3000:])
        return result

    def release(self, name):
        """The release in build/dist, copied away as it would be published."""
        published = self.scratch / name
        shutil.copytree(self.dist, published)
        return published

    def test_signed_release_made_and_checked(self):
        self.make_ok("dist", f"COMPANION={COMPANION}", f"SIGN_CERT={self.cert}", f"SIGN_KEY={self.key}",
                     f"SIGN_URL={URL}")
        published = self.release("published")
        self.assertEqual(sorted(p.name for p in published.iterdir()),
                         sorted([name.format(v=self.version) for name in SIGNED] + ["SHA256SUMS"]))
        package = published / f"QeltWatch-{self.version}.msi"
        other_ca = ThrowawayCA(self.scratch / "other", "Other CA").cert
        for signed in (published / "QeltWatch.exe", package):
            with self.subTest(signed.name):
                verified = verify(signed, self.ca.cert)
                self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
                self.assertRegex(verified.stdout, r"Message digest algorithm\s+: SHA256")
                self.assertIn(f"URL description: {URL}", verified.stdout)
                self.assertIn("Text description: QeltWatch", verified.stdout)
                self.assertNotEqual(verify(signed, other_ca).returncode, 0)

        extracted = self.scratch / "extracted"
        subprocess.run(["msiextract", "-C", extracted, package], check=True, capture_output=True)
        inside = [path for path in extracted.rglob("QeltWatch.exe")]
        self.assertEqual([path.read_bytes() for path in inside], [(published / "QeltWatch.exe").read_bytes()])
        sums = (published / "SHA256SUMS").read_text()
        info = subprocess.run(["unzip", "-p", published / f"QeltWatch-{self.version}.zip", "BUILDINFO"],
                              check=True, capture_output=True, text=True).stdout
        self.assertIn("signing certificate: subject=CN=QeltWatch Test Signer", info)
        for name in ("QeltWatch.exe.sig", f"QeltWatch-{self.version}.msi.sig"):
            digest = re.search(r"(\w{64})  %s\n" % re.escape(name), sums).group(1)
            self.assertIn(f"{name}: sha256 {digest}", info)

        # The unsigned rebuild, its own two builds the same bytes, gives the published files.
        checked = self.make_ok("check-release", f"RELEASE={published}", f"COMPANION={COMPANION}")
        self.assertIn(f"check-release: {published} is the rebuild of", checked.stdout)
        self.assertEqual(sorted(p.name for p in self.dist.iterdir()),
                         sorted(["SHA256SUMS", "QeltWatch.exe", f"QeltWatch-{self.version}.zip",
                                 f"QeltWatch-{self.version}.msi"]))
        self.assertIn(f"QeltWatch.exe: unsigned sha256 {self.sha256(self.dist / 'QeltWatch.exe')}", info)

        # A release whose executable was changed after signing, its checksum updated to match.
        tampered = self.scratch / "tampered"
        shutil.copytree(published, tampered)
        exe = tampered / "QeltWatch.exe"
        exe.write_bytes(exe.read_bytes()[:-1] + b"\1")
        (tampered / "SHA256SUMS").write_text(sums.replace(self.sha256(published / "QeltWatch.exe"), self.sha256(exe)))
        refused = subprocess.run([self.clone / "tools" / "check-release", tampered, COMPANION], capture_output=True,
                                 text=True)
        self.assertEqual(refused.returncode, 1, refused.stdout)
        self.assertIn("QeltWatch.exe and the rebuilt one with QeltWatch.exe.sig attached: the bytes differ",
                      refused.stderr)

        # The same certificate and key from a PKCS#12 file sign to the same bytes.
        bundle = self.ca.pkcs12(self.leaf, self.key, "correct horse")
        self.make_ok("dist", f"COMPANION={COMPANION}", f"SIGN_CERT={bundle}", f"SIGN_URL={URL}",
                     password="correct horse")
        for name in published.iterdir():
            self.assertEqual((self.dist / name.name).read_bytes(), name.read_bytes(), name.name)

        failed = make(self.clone, "dist", f"SIGN_CERT={self.cert}", f"SIGN_KEY={self.key}",
                      "SIGN_TIMESTAMP=http://127.0.0.1:1/")
        self.assertNotEqual(failed.returncode, 0)
        self.assertIn("dist: signing QeltWatch.exe failed", failed.stderr)
        self.assertEqual([p.name for p in self.dist.parent.iterdir() if p.name.startswith("dist")], ["dist-check"])

    @staticmethod
    def sha256(path):
        return hashlib.sha256(Path(path).read_bytes()).hexdigest()


if __name__ == "__main__":
    unittest.main()
