"""What a built executable tells about itself in its headers: the libraries it imports
(at start and delay-loaded) and how the system may map it. Used by the release command and
by the tests; `python3 -m tests.e2e.pe_image check EXE` prints what is wrong and exits 1."""
import struct
import sys

try:
    import pefile
except ImportError:  # an interpreter of its own (pyenv) beside Debian's, which has the module
    sys.path.append("/usr/lib/python3/dist-packages")
    import pefile

# Libraries the system loads from its own folder whatever the search order (known DLLs on
# every Windows from 7 to 11), and the common controls, which the manifest names as a
# side-by-side assembly.
KNOWN_SYSTEM_LIBRARIES = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
SIDE_BY_SIDE = {"comctl32.dll"}

REQUIRED_FLAGS = {
    "DYNAMIC_BASE": 0x0040,
    "HIGH_ENTROPY_VA": 0x0020,
    "NX_COMPAT": 0x0100,
    "TERMINAL_SERVER_AWARE": 0x8000,
}
_WRITE, _EXECUTE = 0x80000000, 0x20000000


def load(path):
    return pefile.PE(path, fast_load=False)


def imports(pe):
    """Lower-case names of the libraries in the import table (loaded before any code)."""
    return [entry.dll.decode("ascii").lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]


def delay_imports(pe):
    """Lower-case names of the delay-loaded libraries. The linker used here fills in the
    delay-import descriptors without pointing the header's directory entry at them, so
    they are found by their shape: attribute 1 (addresses relative to the image), a name
    that ends in ".dll", module handle, address table and name table inside the image, no
    time stamp; each name table holds at least one imported name."""
    names = [entry.dll.decode("ascii").lower() for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])]
    if names:
        return names
    image = pe.get_memory_mapped_image()
    size = len(image)

    def inside(rva):
        return 0 < rva < size

    def text_at(rva, limit=64):
        end = image.find(b"\0", rva, rva + limit)
        return image[rva:end] if end > rva else b""

    found = []
    for section in pe.sections:
        start = section.VirtualAddress
        end = start + max(section.Misc_VirtualSize, section.SizeOfRawData) - 32
        for rva in range(start, end, 4):
            attrs, name, hmod, iat, int_, _bound, _unload, stamp = struct.unpack_from("<8I", image, rva)
            if attrs != 1 or stamp != 0 or not all(map(inside, (name, hmod, iat, int_))):
                continue
            dll = text_at(name)
            if not dll.lower().endswith(b".dll") or not all(32 < c < 127 for c in dll):
                continue
            first = struct.unpack_from("<Q", image, int_)[0]
            if first == 0 or first >> 63 == 0 and not inside(first + 2):
                continue
            found.append(dll.decode("ascii").lower())
    return found


def faults(pe):
    """What the executable lacks of the hardening the build states, in words."""
    wrong = []
    characteristics = pe.OPTIONAL_HEADER.DllCharacteristics
    for name, bit in REQUIRED_FLAGS.items():
        if not characteristics & bit:
            wrong.append("no " + name)
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[5]
    if relocations.VirtualAddress == 0 or relocations.Size == 0:
        wrong.append("no relocations: the system cannot move the image")
    for section in pe.sections:
        if section.Characteristics & _WRITE and section.Characteristics & _EXECUTE:
            wrong.append("section %s is writable and executable" % section.Name.rstrip(b"\0").decode("ascii", "replace"))
    if pe.FILE_HEADER.TimeDateStamp != 0:
        wrong.append("a time stamp in the file header")
    for dll in imports(pe):
        if dll not in KNOWN_SYSTEM_LIBRARIES | SIDE_BY_SIDE:
            wrong.append("%s is imported at start but is no known system library: delay-load it" % dll)
    return wrong


def main(argv):
    if len(argv) != 3 or argv[1] != "check":
        print("usage: python3 -m tests.e2e.pe_image check EXE", file=sys.stderr)
        return 2
    pe = load(argv[2])
    wrong = faults(pe)
    for line in wrong:
        print("%s: %s" % (argv[2], line))
    if not wrong:
        print("%s: hardened; imports %s; delay-loads %s" % (argv[2], ", ".join(imports(pe)), ", ".join(delay_imports(pe))))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
