#!/usr/bin/env python3
"""Checks the built module as a file, without running it.

  check_dll.py --machine i386|x86_64 DLL

The module must be a PE32 (i386) or PE32+ (x86_64) image marked as a DLL, export exactly one
function, tessaly_get_interface, under that unadorned name, import only Windows system DLLs and
kestrel.dll, and carry dialog 101 as a DIALOGEX template. Every failed check is printed with what
was found; the exit status is 1 if any failed.
"""
import struct
import sys

MACHINES = {"i386": (0x014C, 0x10B, "PE32"), "x86_64": (0x8664, 0x20B, "PE32+")}
IMAGE_FILE_DLL = 0x2000
EXPORT_NAME = b"tessaly_get_interface"
# The Windows system DLLs a module may import; the C++ runtime must be linked in, never imported.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "msvcrt.dll", "gdi32.dll", "advapi32.dll",
               "comdlg32.dll", "shell32.dll", "ole32.dll", "ntdll.dll", "comctl32.dll"}
HOST_DLLS = {"kestrel.dll"}
RT_DIALOG = 5
DIALOG_ID = 101


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        self.pe = self.u32(0x3C)
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature at 0x%x" % self.pe)
        self.machine, self.section_count = struct.unpack_from("<HH", data, self.pe + 4)
        optional_size, self.characteristics = struct.unpack_from("<HH", data, self.pe + 20)
        self.optional = self.pe + 24
        self.magic = self.u16(self.optional)
        directories = self.optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(16, self.u32(directories - 4)))]
        table = self.optional + optional_size
        self.sections = []
        for i in range(self.section_count):
            at = table + 40 * i
            vsize, vaddr, rsize, rptr = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((vaddr, max(vsize, rsize), rptr, rsize))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        for vaddr, size, rptr, rsize in self.sections:
            if vaddr <= rva < vaddr + size and rva - vaddr < rsize:
                return rptr + rva - vaddr
        raise ValueError("address 0x%x lies in no section" % rva)

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)]

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def exports(self):
        rva, size = self.directory(0)
        if not size:
            return 0, []
        at = self.offset(rva)
        functions, names, _, names_rva = struct.unpack_from("<IIII", self.data, at + 20)
        return functions, [self.text(self.u32(self.offset(names_rva) + 4 * i))
                           for i in range(names)]

    def imports(self):
        rva, size = self.directory(1)
        result = []
        if not size:
            return result
        at = self.offset(rva)
        while True:
            name_rva = self.u32(at + 12)
            if name_rva == 0:
                return result
            result.append(self.text(name_rva).decode("ascii", "replace"))
            at += 20

    def resource(self, *path):
        """The data (bytes, language) of the resource at type/name, first language."""
        rva, size = self.directory(2)
        if not size:
            return None
        base = self.offset(rva)
        entry_dir = base
        for want in path:
            named, ids = struct.unpack_from("<HH", self.data, entry_dir + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, entry_dir + 16 + 8 * i)
                if not ident & 0x80000000 and ident == want:
                    break
            else:
                return None
            if not target & 0x80000000:
                return None
            entry_dir = base + (target & 0x7FFFFFFF)
        # The language level: take its first entry, which points at the data entry.
        ident, target = struct.unpack_from("<II", self.data, entry_dir + 16)
        data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
        at = self.offset(data_rva)
        return self.data[at:at + data_size], ident


def check(path, machine):
    failures = []
    with open(path, "rb") as f:
        data = f.read()
    try:
        image = Image(data)
    except (ValueError, struct.error) as error:
        return ["%s: not a PE image: %s" % (path, error)]
    want_machine, want_magic, kind = MACHINES[machine]
    if image.machine != want_machine:
        failures.append("machine 0x%04x, expected 0x%04x (%s)" %
                        (image.machine, want_machine, machine))
    if image.magic != want_magic:
        failures.append("optional header magic 0x%03x, expected 0x%03x (%s)" %
                        (image.magic, want_magic, kind))
    if not image.characteristics & IMAGE_FILE_DLL:
        failures.append("characteristics 0x%04x: not marked as a DLL" % image.characteristics)

    functions, names = image.exports()
    if functions != 1 or names != [EXPORT_NAME]:
        failures.append("exports %d functions named %s, expected exactly one named %s" %
                        (functions, [n.decode("ascii", "replace") for n in names],
                         EXPORT_NAME.decode()))

    imports = image.imports()
    foreign = [name for name in imports if name.lower() not in SYSTEM_DLLS | HOST_DLLS]
    if foreign:
        failures.append("imports %s besides Windows system DLLs and kestrel.dll (all: %s)" %
                        (foreign, imports))
    if not imports:
        failures.append("imports nothing: the import table was not found")

    dialog = image.resource(RT_DIALOG, DIALOG_ID)
    if dialog is None:
        failures.append("no dialog %d among the resources" % DIALOG_ID)
    else:
        template, language = dialog
        version, signature = struct.unpack_from("<HH", template, 0)
        controls = struct.unpack_from("<H", template, 16)[0]
        if (version, signature) != (1, 0xFFFF):
            failures.append("dialog %d is not a DIALOGEX template (begins %04x %04x)" %
                            (DIALOG_ID, version, signature))
        elif controls != 11:
            failures.append("dialog %d has %d controls, expected 11" % (DIALOG_ID, controls))
        if language != 1033:
            failures.append("dialog %d has language %d, expected 1033" % (DIALOG_ID, language))
    return failures


def main(argv):
    if len(argv) != 4 or argv[1] != "--machine" or argv[2] not in MACHINES:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    path = argv[3]
    try:
        failures = check(path, argv[2])
    except OSError as error:
        failures = ["cannot read %s: %s" % (path, error)]
    for failure in failures:
        print("FAIL: %s: %s" % (path, failure))
    if not failures:
        print("%s: %s DLL, one export %s, system imports and kestrel.dll, dialog %d: "
              "1 passed, 0 failed" % (path, MACHINES[argv[2]][2], EXPORT_NAME.decode(),
                                      DIALOG_ID))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
