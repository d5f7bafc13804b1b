"""Authenticode signatures for the end-to-end tests: throw-away certificates made with
openssl at test time (never kept), and files signed with osslsigncode."""
import os
import shutil
import subprocess
import unittest

PUBLISHER = "/CN=Vorn Test Publisher/O=Vorn Games"


def available():
    return shutil.which("openssl") is not None and shutil.which("osslsigncode") is not None


class Certificates:
    """In `folder`: the publisher's key with two certificates (the second a renewal: same
    name, same key, another serial number and term), a forger's certificate with the
    publisher's name and a key of its own, and another publisher's."""

    def __init__(self, folder):
        if not available():
            raise unittest.SkipTest("openssl and osslsigncode are needed to sign test builds")
        self.folder = folder
        self.publisher = self._make("publisher", PUBLISHER, days=30)
        self.renewed = self._make("renewed", PUBLISHER, days=400, key=self.publisher[1])
        self.forger = self._make("forger", PUBLISHER, days=30)
        self.other = self._make("other", "/CN=Another Games Publisher/O=Another", days=30)

    def _make(self, name, subject, days, key=None):
        crt = os.path.join(self.folder, name + ".crt")
        if key is None:
            key = os.path.join(self.folder, name + ".key")
            args = ["-newkey", "rsa:2048", "-nodes", "-keyout", key]
        else:
            args = ["-key", key]
        subprocess.run(["openssl", "req", "-x509", *args, "-out", crt, "-days", str(days), "-subj", subject],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return crt, key

    def sign(self, source, target, which):
        """Signs a copy of `source` into `target` with one of the certificates above."""
        crt, key = which
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(["osslsigncode", "sign", "-certs", crt, "-key", key, "-n", "Vorn test build",
                        "-in", source, "-out", target], check=True, stdout=subprocess.DEVNULL)
        return target

    def signed_bytes(self, source, which):
        target = os.path.join(self.folder, "signed-%d.exe" % len(os.listdir(self.folder)))
        self.sign(source, target, which)
        with open(target, "rb") as f:
            return f.read()


def altered(data):
    """The signed file with one byte of its code changed: its signature no longer fits."""
    pe = int.from_bytes(data[0x3C:0x40], "little")
    sections = int.from_bytes(data[pe + 6:pe + 8], "little")
    table = pe + 24 + int.from_bytes(data[pe + 20:pe + 22], "little")
    for i in range(sections):
        header = data[table + 40 * i:table + 40 * (i + 1)]
        if header[:5] == b".text":
            offset = int.from_bytes(header[20:24], "little") + 0x100
            return data[:offset] + bytes([data[offset] ^ 0xFF]) + data[offset + 1:]
    raise AssertionError("no code section")
