"""Authenticode signing of the release's executable and package with osslsigncode, and the
signature operations the rebuild check needs (extract, attach, strip), for tools/dist and
tools/check-release.

The signing certificate comes as PEM files (the certificate first, then any intermediate ones,
and its key) or as one PKCS#12 file (.p12 or .pfx). The password of the key or of the PKCS#12
file is read from the environment variable SIGN_PASSWORD and reaches OpenSSL and osslsigncode
only through the environment and a pipe, never their command lines.

A signature holds nothing drawn at signing time but a time-stamp: the signing time attribute is
the source commit's time, and RSA (PKCS#1 v1.5) signatures are a function of the signed bytes,
so the same files signed again with the same key give the same bytes. Whatever the key, the
published detached signature attached to a rebuilt file gives the released file exactly.
"""

import hashlib
import os
import shlex
import subprocess
import tempfile
from pathlib import Path

PASSWORD_VARIABLE = "SIGN_PASSWORD"
PROGRAM_NAME = "QeltWatch"
PKCS12_SUFFIXES = (".p12", ".pfx")
CODE_SIGNING = "Code Signing"


class SigningError(Exception):
    pass


def run(args, stdin=None, what=None):
    # An unset password reads as empty, so that OpenSSL refuses an encrypted key instead of
    # asking for its password on the terminal.
    env = dict(os.environ, **{PASSWORD_VARIABLE: os.environ.get(PASSWORD_VARIABLE, "")})
    result = subprocess.run([str(arg) for arg in args], input=stdin, capture_output=True, env=env)
    if result.returncode != 0:
        output = (result.stderr + result.stdout).decode(errors="replace").strip()
        raise SigningError("%s failed (%d):\n%s" % (what or shlex.join(map(str, args[:2])), result.returncode, output))
    return result.stdout


def password_args():
    """OpenSSL's option that reads the password from the environment."""
    return ["-passin", "env:" + PASSWORD_VARIABLE]


class Signer:
    """A checked signing certificate and key; `url` and `timestamp` may be empty."""

    def __init__(self, cert, key, url, timestamp):
        self.cert, self.key, self.url, self.timestamp = Path(cert), Path(key) if key else None, url, timestamp
        self.pkcs12 = self.cert.suffix.lower() in PKCS12_SUFFIXES
        for path in [self.cert] + ([self.key] if self.key else []):
            if not path.is_file():
                raise SigningError("the signing file %s does not exist" % path)
        if self.pkcs12 == bool(self.key):
            raise SigningError("give SIGN_CERT and SIGN_KEY as PEM files, or SIGN_CERT alone as a PKCS#12 file "
                               "(.p12 or .pfx)")
        self.certificate = self.read_certificate()
        self.check_code_signing()
        self.check_key()

    def read_certificate(self):
        if self.pkcs12:
            return run(["openssl", "pkcs12", "-in", self.cert, "-nokeys", "-clcerts"] + password_args(),
                       what="reading the certificate of %s (its password is taken from %s)" % (self.cert,
                                                                                             PASSWORD_VARIABLE))
        return self.cert.read_bytes()

    def x509(self, *options):
        return run(["openssl", "x509", "-noout", *options], stdin=self.certificate,
                   what="reading the certificate in %s" % self.cert).decode()

    def check_code_signing(self):
        usages = self.x509("-ext", "extendedKeyUsage")
        if CODE_SIGNING not in usages:
            raise SigningError("the certificate in %s is not valid for code signing (no Code Signing extended key "
                               "usage)" % self.cert)
        key_usage = self.x509("-ext", "keyUsage")
        if key_usage and "Digital Signature" not in key_usage:
            raise SigningError("the certificate in %s is not valid for code signing (its key usage lacks Digital "
                               "Signature)" % self.cert)
        if subprocess.run(["openssl", "x509", "-noout", "-checkend", "0"], input=self.certificate,
                          capture_output=True).returncode != 0:
            raise SigningError("the certificate in %s has expired" % self.cert)

    def check_key(self):
        if self.pkcs12:
            key = run(["openssl", "pkcs12", "-in", self.cert, "-nocerts", "-nodes"] + password_args(),
                      what="reading the key of %s (its password is taken from %s)" % (self.cert, PASSWORD_VARIABLE))
            public = run(["openssl", "pkey", "-pubout"], stdin=key, what="reading the key of %s" % self.cert)
        else:
            public = run(["openssl", "pkey", "-pubout", "-in", self.key] + password_args(),
                         what="reading the key %s (its password is taken from %s)" % (self.key, PASSWORD_VARIABLE))
        if public != self.x509("-pubkey").encode():
            raise SigningError("the key %s does not match the certificate in %s" % (self.key or self.cert, self.cert))

    def identity_args(self):
        if self.pkcs12:
            return ["-pkcs12", self.cert]
        return ["-certs", self.cert, "-key", self.key]

    def sign(self, unsigned, signed, epoch):
        """`unsigned` signed with SHA-256, the program's name and URL, into `signed`."""
        args = ["osslsigncode", "sign", *self.identity_args(), "-h", "sha256", "-n", PROGRAM_NAME, "-time", epoch]
        args += ["-i", self.url] if self.url else []
        args += ["-ts", self.timestamp] if self.timestamp else []
        password = os.environ.get(PASSWORD_VARIABLE, "")
        args += ["-readpass", "-"] if password else []
        run(args + ["-in", unsigned, "-out", signed], stdin=password.encode(), what="signing %s" % Path(unsigned).name)

    def describe(self, epoch):
        """BUILDINFO's lines about the signer and the signatures' fixed parts."""
        fields = self.x509("-subject", "-issuer", "-serial", "-enddate", "-fingerprint", "-sha256", "-nameopt",
                           "RFC2253").splitlines()
        return ["signing certificate: " + line.strip() for line in fields] + [
            "signing: osslsigncode %s, SHA-256, program name %s, URL %s, signing time %d (the source's), "
            "time-stamp server %s" % (osslsigncode_version(), PROGRAM_NAME, self.url or "none", epoch,
                                      self.timestamp or "none"),
        ]


def osslsigncode_version():
    return run(["osslsigncode", "--version"]).decode().split()[1].rstrip(",")


def extract(signed, signature):
    run(["osslsigncode", "extract-signature", "-in", signed, "-out", signature],
        what="taking the signature off %s" % Path(signed).name)


def attach(signature, unsigned, signed):
    """`signed`: `unsigned` with `signature` attached, for the caller to compare byte for byte.

    attach-signature writes the file, then verifies it against the system's certificate
    authorities and fails for any other (an organisation's own, a test's), so its status says
    nothing about the bytes; only a missing file is a failure here.
    """
    Path(signed).unlink(missing_ok=True)
    result = subprocess.run(["osslsigncode", "attach-signature", "-sigin", str(signature), "-in", str(unsigned),
                             "-out", str(signed)], capture_output=True, text=True)
    if not Path(signed).is_file():
        raise SigningError("attaching %s to %s failed (%d):\n%s" % (Path(signature).name, Path(unsigned).name,
                                                                   result.returncode, result.stderr.strip()))


def strip(signed, unsigned):
    run(["osslsigncode", "remove-signature", "-in", signed, "-out", unsigned],
        what="removing the signature of %s" % Path(signed).name)


def package_layout(unsigned, output):
    """The unsigned package `unsigned` as a package looks once its signature is removed.

    Adding or removing a package's signature rewrites its compound file (the same streams, laid
    out anew), so a stripped package is compared with a rebuilt one in that layout: signed with a
    throw-away key, then stripped. The layout does not depend on the key.
    """
    with tempfile.TemporaryDirectory() as scratch:
        key, cert, signed = (Path(scratch) / name for name in ("key.pem", "cert.pem", "signed.msi"))
        run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days", "1",
             "-subj", "/CN=layout only"], what="making a throw-away key")
        run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", unsigned, "-out", signed],
            what="laying out %s" % Path(unsigned).name)
        strip(signed, output)


def sha256(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()
