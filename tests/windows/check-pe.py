#!/usr/bin/env python3
"""Reads a Windows program as the loaders of every 32-bit Windows release do,
and fails unless each of them would accept it: an x86 console program marked
for subsystem 3.10 (and system 3.10 at most), aligned as Windows 95 needs,
with relocations, without the directories an old loader does not know (TLS,
bound and delay imports) and without resources, importing by name only
functions that Windows NT 3.1 and Windows 95 export.

Usage: check-pe.py PROGRAM MAX-BYTES [--exact]
With --exact, the program must import every allowed function, not a subset
(memset and memcpy aside, which a compiler may or may not call).
"""
import struct
import sys

# Every import a program of this project may have, each present in the
# KERNEL32.dll and crtdll.dll of Windows NT 3.1 and Windows 95.
ALLOWED = {
    "kernel32.dll": {"ExitProcess", "GetLastError", "GetModuleHandleA", "GetProcAddress",
                     "GetVersion", "SetLastError"},
    "crtdll.dll": {"__GetMainArgs", "_cexit", "_fpreset", "_iob", "atexit", "fflush", "ferror",
                   "printf", "memset", "memcpy"},
}
OPTIONAL = {("crtdll.dll", "memset"), ("crtdll.dll", "memcpy")}

DIRECTORIES = {2: "resource", 5: "base relocation", 9: "TLS", 11: "bound import",
               13: "delay import"}


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.optional = pe + 24
        if self.u16(self.optional) != 0x10B:
            raise ValueError("not a 32-bit (PE32) optional header")
        self.sections = []
        for at in range(self.optional + optional_size, self.optional + optional_size + 40 * sections,
                        40):
            name = data[at:at + 8].rstrip(b"\0").decode("ascii", "replace")
            virtual_size, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((name, rva, max(virtual_size, raw_size), raw_at, raw_size))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def field(self, offset, size=4):
        return (self.u16 if size == 2 else self.u32)(self.optional + offset)

    def directory(self, index):
        if index >= self.field(92):
            return 0, 0
        return struct.unpack_from("<II", self.data, self.optional + 96 + 8 * index)

    def offset(self, rva):
        for _, start, size, raw_at, raw_size in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw_at + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section's file data")

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        found = []
        descriptor = self.offset(self.directory(1)[0])
        while True:
            lookup, _, _, name, address = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0:
                return found
            dll = self.text(name).lower()
            entry = self.offset(lookup or address)
            while (thunk := self.u32(entry)) != 0:
                if thunk & 0x80000000:
                    # Ordinals differ between releases; names do not.
                    found.append((dll, f"ordinal {thunk & 0xFFFF}"))
                else:
                    found.append((dll, self.text(thunk + 2)))
                entry += 4
            descriptor += 20


def problems(image, size, max_size, exact):
    if image.machine != 0x14C:
        yield f"machine {image.machine:#x}, not i386"
    if not image.characteristics & 0x0002:
        yield "not marked executable"
    if image.characteristics & 0x0001:
        yield "relocations stripped"
    if image.timestamp != 0:
        yield f"time stamp {image.timestamp:#x}: two builds would differ"
    if image.field(68, 2) != 3:
        yield f"subsystem {image.field(68, 2)}, not the console (3)"
    subsystem = (image.field(48, 2), image.field(50, 2))
    if subsystem != (3, 10):
        yield f"subsystem version {subsystem[0]}.{subsystem[1]:02}: Windows NT 3.1 loads 3.10 only"
    system = (image.field(40, 2), image.field(42, 2))
    if system > (3, 10):
        yield f"operating system version {system[0]}.{system[1]:02}, newer than NT 3.1's 3.10"
    if (image.field(32), image.field(36)) != (4096, 512):
        yield (f"section alignment {image.field(32)} and file alignment {image.field(36)}, "
               "not the 4096 and 512 of Windows 95")
    for index, name in DIRECTORIES.items():
        present = image.directory(index) != (0, 0)
        if present != (index == 5):
            yield f"{name} directory {'present' if present else 'missing'}"
    if size > max_size:
        yield f"{size} bytes, more than {max_size}"
    imports = image.imports()
    for dll, function in imports:
        if function not in ALLOWED.get(dll, ()):
            yield f"imports {function} from {dll}"
    if exact:
        for dll, functions in ALLOWED.items():
            for function in sorted(functions):
                if (dll, function) not in imports and (dll, function) not in OPTIONAL:
                    yield f"does not import {function} from {dll}"


def main():
    if len(sys.argv) not in (3, 4) or sys.argv[3:] not in ([], ["--exact"]):
        sys.exit(__doc__)
    path, max_size = sys.argv[1], int(sys.argv[2])
    with open(path, "rb") as program:
        data = program.read()
    try:
        image = Image(data)
        found = list(problems(image, len(data), max_size, sys.argv[3:] == ["--exact"]))
        listing = ", ".join(f"{dll}!{function}" for dll, function in image.imports())
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        found, listing = [f"unreadable: {error}"], ""
    print(f"{path}: {len(data)} bytes; imports {listing}")
    for problem in found:
        print(f"{path}: {problem}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
