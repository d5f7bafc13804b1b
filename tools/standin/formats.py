"""The texts the platform publishes for the launcher: update configuration and notice line."""

import hashlib
import os
import struct

PRODUCT_TAG = "Zelqa7"
PRODUCT_VERSION = "3.0.0.1"
NOTICE_PATH = "/notice/zelqa7.txt"
NOTICE_FIELDS = 7


def config_path(tag=PRODUCT_TAG):
    return "/update/Config%s.htm" % tag


def exe_bytes(exe):
    """An executable given as bytes or as a file path, as bytes."""
    if isinstance(exe, (bytes, bytearray, memoryview)):
        return bytes(exe)
    with open(os.fspath(exe), "rb") as f:
        return f.read()


def file_md5_hex(exe):
    """MD5 of an executable given as bytes or as a file path, lower-case hex."""
    return hashlib.md5(exe_bytes(exe)).hexdigest()


_VERSION_INFO_KEY = "VS_VERSION_INFO\0".encode("utf-16-le")
_FIXED_INFO_SIGNATURE = 0xFEEF04BD


def exe_version(exe):
    """The release number in an executable's version resource, as "a.b.c.d", or None when
    it has none. Read from the fixed file information that follows the resource's key."""
    data = exe_bytes(exe)
    key = data.find(_VERSION_INFO_KEY)
    if key < 6:
        return None
    # Three 16-bit fields precede the key; the value starts on the next 32-bit boundary.
    start = key - 6
    fixed = start + ((6 + len(_VERSION_INFO_KEY) + 3) & ~3)
    if len(data) < fixed + 16 or struct.unpack_from("<I", data, fixed)[0] != _FIXED_INFO_SIGNATURE:
        return None
    high, low = struct.unpack_from("<II", data, fixed + 8)
    return "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def make_version_key(exe, version=None):
    """The release key: the digest text cut short by as many characters as the version has
    digits, then those digits appended. The version is the executable's own (from its
    version resource) unless given; without either, the product's version."""
    if version is None:
        version = exe_version(exe) or PRODUCT_VERSION
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
