"""The texts the platform publishes for the launcher: update configuration and notice line."""

import hashlib
import os

PRODUCT_TAG = "Zelqa7"
PRODUCT_VERSION = "3.0.0.1"
NOTICE_PATH = "/notice/zelqa7.txt"
NOTICE_FIELDS = 7


def config_path(tag=PRODUCT_TAG):
    return "/update/Config%s.htm" % tag


def file_md5_hex(exe):
    """MD5 of an executable given as bytes or as a file path, lower-case hex."""
    digest = hashlib.md5()
    if isinstance(exe, (bytes, bytearray, memoryview)):
        digest.update(exe)
    else:
        with open(os.fspath(exe), "rb") as f:
            for block in iter(lambda: f.read(64 * 1024), b""):
                digest.update(block)
    return digest.hexdigest()


def make_version_key(exe, version=PRODUCT_VERSION):
    """The release key the launcher computes of itself: the digest text cut short by as
    many characters as the version has digits, then those digits appended."""
    hex_text = file_md5_hex(exe)
    digits = version.replace(".", "")
    return hex_text[:max(0, len(hex_text) - len(digits))] + digits


def _one_line(name, value):
    if "\r" in value or "\n" in value:
        raise ValueError("%s must not contain a line break" % name)
    return value


def update_config_text(key, upd_addr, tag=PRODUCT_TAG):
    """INI text of a configuration page, as the launcher's INI reader takes it."""
    return "[VerKey]\r\n%s=%s\r\nUpdAddr=%s\r\n" % (
        _one_line("tag", tag), _one_line("key", key), _one_line("upd_addr", upd_addr))


def notice_line(notice_id, expiry, title, link, content, picture_url="", repeat=0):
    """Joins the seven notice fields; only the last may contain '|'."""
    fields = [notice_id, expiry, title, link, content, picture_url]
    for index, value in enumerate(fields, 1):
        if "|" in str(value):
            raise ValueError("notice field %d must not contain '|'" % index)
    return "|".join(str(v) for v in fields + [repeat])
