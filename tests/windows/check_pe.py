#!/usr/bin/env python3
"""Reads a Windows program as a loader does, and its code as an 80386 runs
it, and fails unless it keeps every rule of docs/windows.md's table, "What
the loaders need". Each message begins with the name of its rule's row.

Usage: check_pe.py PROGRAM MAP MAX-BYTES [--exact] [--version X.Y.Z]
MAP is the linker's map of PROGRAM (GNU ld's or lld's): it tells which bytes
are code, for the read-only data shares the code's section. With --exact,
the program must import every allowed function, not a subset (memset and
memcpy aside, which a compiler may or may not call). With --version, it must
carry one version resource, saying X.Y.Z, and no other resource; without,
no resource at all.
Needs pefile and capstone (Debian: python3-pefile, python3-capstone).
"""
import argparse
import re
import struct
import sys

import capstone
import pefile

# The rows of docs/windows.md's table, "What the loaders need".
CONSOLE = "x86 console program"
SUBSYSTEM = "subsystem version 3.10"
OS_VERSION = "operating system version 1.0"
WRITABLE_IAT = "writable import address table"
NO_TAIL = "no section longer in memory than in the file"
CHECKSUM = "correct checksum"
ALIGNMENT = "512/4096 alignment"
WIN32_VERSION = "Win32VersionValue 0"
RELOCATIONS = "relocations and DYNAMIC_BASE"
NO_MACHINERY = "no TLS, bound or delayed imports"
RESOURCES = "one version resource, no manifest"
I386 = "80386 instructions, no FPU"
IMPORTS = "listed imports only"
DESTRUCTORS = "no static destructor list entry"
TIME_STAMP = "no time stamp"

# The imports docs/windows.md lists, and memcpy, which a compiler may call too.
ALLOWED = {
    "kernel32.dll": {"ExitProcess", "GetLastError", "GetModuleHandleA", "GetProcAddress",
                     "GetVersion", "SetLastError"},
    "crtdll.dll": {"__GetMainArgs", "_cexit", "_fpreset", "_iob", "atexit", "fflush", "ferror",
                   "printf", "memset", "memcpy"},
}
# Those osver.exe must import: all but what a compiler may or may not call.
REQUIRED = {(dll, f) for dll, functions in ALLOWED.items() for f in functions} - {
    ("crtdll.dll", "memset"), ("crtdll.dll", "memcpy")}

# The data directories a rule wants (True) or refuses; resources and imports
# are checked on their own.
DIRECTORIES = {"BASERELOC": (RELOCATIONS, True), "TLS": (NO_MACHINERY, False),
               "BOUND_IMPORT": (NO_MACHINERY, False), "DELAY_IMPORT": (NO_MACHINERY, False)}
RT_VERSION, RT_MANIFEST = 16, 24

# The 80386's two-byte opcodes (0F xx). Every other one came later: BSWAP,
# XADD and CMPXCHG with the 486; CPUID, RDTSC, RDMSR, WRMSR and CMPXCHG8B
# with the Pentium; CMOVcc, RDPMC and the long NOP (0F 1F) with the Pentium
# Pro; all of MMX and SSE.
I386_TWO_BYTE = {0x00, 0x01, 0x02, 0x03, 0x06, 0x20, 0x21, 0x22, 0x23, 0x24, 0x26,
                 *range(0x80, 0xA2), 0xA3, 0xA4, 0xA5, 0xA8, 0xA9, 0xAB, 0xAC, 0xAD, 0xAF,
                 *range(0xB2, 0xB8), *range(0xBA, 0xC0)}
# What capstone (4 and 5) files the 386's own instructions under. Any other
# group names an extension (cmov, mmx, sse1, avx, bmi, ...) or the FPU.
I386_GROUPS = {"jump", "call", "ret", "int", "iret", "privilege", "branch_relative", "mode32",
               "16bitmode", "not64bitmode"}
# Later instructions in opcodes the 386 already had: INVLPG (486), LZCNT and
# TZCNT.
LATER_NAMES = {"invlpg", "lzcnt", "tzcnt"}
# The FPU's opcodes: its escapes and WAIT. The start-up's _fpreset is a call.
FPU_OPCODES = {*range(0xD8, 0xE0), 0x9B}


def input_sections(linker_map, image_base):
    """(name, RVA, size) of each input section the map places: GNU ld's map
    gives addresses, after the sections it discarded; lld's gives RVAs."""
    if linker_map.startswith("Address"):  # lld
        line = r"^([0-9a-f]+) ([0-9a-f]+) +\d+ +.*:\((\.[^()]*)\)$"  # address size align file:(name)
        for found in re.finditer(line, linker_map, re.M):
            yield found[3], int(found[1], 16), int(found[2], 16)
    else:
        placed = linker_map.partition("\nLinker script and memory map\n")[2]
        for found in re.finditer(r"^ (\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)", placed, re.M):
            yield found[1], int(found[2], 16) - image_base, int(found[3], 16)


def code_problems(pe, sections):
    """Each instruction of the code input sections that no 80386 runs, or
    that is the FPU's, and the first bytes that begin no instruction, where
    the sweep of a section stops. The rest of the executable section, the
    read-only data, is not read."""
    decoder = capstone.Cs(capstone.CS_ARCH_X86, capstone.CS_MODE_32)
    decoder.detail = True
    code = [(rva, size) for name, rva, size in sections
            if re.fullmatch(r"\.text([$.].*)?", name) and size > 0]
    if not code:
        yield f"{I386}: the map places no code"
    for rva, size in code:
        section = pe.get_section_by_rva(rva)
        if (section is None or not section.IMAGE_SCN_MEM_EXECUTE
                or rva + size > section.VirtualAddress + section.Misc_VirtualSize):
            yield f"{I386}: the map's code at {rva:#x}, {size} bytes, is in no executable section"
            continue
        at = 0
        for insn in decoder.disasm(pe.get_data(rva, size), pe.OPTIONAL_HEADER.ImageBase + rva):
            at += insn.size
            named = f"{insn.address:#x}: {insn.mnemonic} {insn.op_str}".rstrip()
            if insn.opcode[0] in FPU_OPCODES:
                yield f"{I386}: FPU instruction: {named}"
            elif ((insn.opcode[0] == 0x0F and insn.opcode[1] not in I386_TWO_BYTE)
                  or not {insn.group_name(g) for g in insn.groups} <= I386_GROUPS
                  or insn.mnemonic.split()[-1] in LATER_NAMES):
                yield f"{I386}: not an 80386 instruction: {named}"
        if at < size:
            rest = pe.get_data(rva + at, min(size - at, 4)).hex()
            yield (f"{I386}: not an 80386 instruction: "
                   f"{pe.OPTIONAL_HEADER.ImageBase + rva + at:#x}: no instruction ({rest}...)")


def imports(pe):
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for function in entry.imports:
            name = function.name.decode() if function.name else f"ordinal {function.ordinal}"
            yield entry.dll.decode().lower(), name, entry.struct.FirstThunk


def descriptor_problems(pe):
    """The import descriptors as a loader walks them: up to a null one, each
    naming a lookup table, a DLL name and an address table within the file's
    sections, none bound (time stamp 0)."""
    rva = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]].VirtualAddress
    section = pe.get_section_by_rva(rva)
    if section is None:
        yield f"{IMPORTS}: import directory at {rva:#x} outside every section"
        return
    for at in range(rva, section.VirtualAddress + section.Misc_VirtualSize - 19, 20):
        lookup, stamp, _, name, table = struct.unpack("<5I", pe.get_data(at, 20))
        if not any((lookup, stamp, name, table)):
            return
        for what, where in [("lookup table", lookup), ("DLL name", name), ("address table", table)]:
            if pe.get_section_by_rva(where) is None:
                yield (f"{IMPORTS}: import descriptor at {at:#x}: its {what} at {where:#x} "
                       "is in no section")
        if stamp != 0:
            yield (f"{NO_MACHINERY}: import descriptor at {at:#x}: time stamp {stamp:#x}, "
                   "wanted 0 (not bound)")
    yield f"{IMPORTS}: the import descriptors at {rva:#x} end in no null descriptor"


def resource_problems(pe, version):
    """Exactly one version resource, in US English, saying VERSION (file and
    product, in the numbers and the text), and no other resource."""
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    found = [(entry.id, name.id, language.id) for entry in (directory.entries if directory else [])
             for name in entry.directory.entries for language in name.directory.entries]
    if any(kind == RT_MANIFEST for kind, _, _ in found):
        yield f"{RESOURCES}: a manifest resource"
    wanted = [(RT_VERSION, 1, 0x409)] if version else []
    if found != wanted:
        yield f"{RESOURCES}: resources (type, name, language): {found}, wanted {wanted}"
        return
    if not version:
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    numbers = [int(part) for part in version.split(".")] + [0]
    packed = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    for what, value in [("file", (fixed.FileVersionMS, fixed.FileVersionLS)),
                        ("product", (fixed.ProductVersionMS, fixed.ProductVersionLS))]:
        if value != packed:
            yield (f"{RESOURCES}: {what} version {value[0]:#x} {value[1]:#x}, "
                   f"wanted {packed[0]:#x} {packed[1]:#x}")
    strings = {key.decode(): value.decode() for info in pe.FileInfo[0]
               if info.Key == b"StringFileInfo" for table in info.StringTable
               if table.LangID == b"040904E4" for key, value in table.entries.items()}
    for key, value in [("FileVersion", version), ("ProductVersion", version),
                       ("ProductName", "osver"), ("OriginalFilename", "osver.exe")]:
        if strings.get(key) != value:
            yield (f"{RESOURCES}: version resource, US English, code page 1252: "
                   f"{key} {strings.get(key)!r}, wanted {value!r}")


def problems(pe, sections, size, max_size, exact, version=None):
    header, optional = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    directory = {name: optional.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY[
        f"IMAGE_DIRECTORY_ENTRY_{name}"]].VirtualAddress != 0 for name in DIRECTORIES}
    for rule, what, value, wanted in [
            (CONSOLE, "machine", header.Machine, 0x14C),  # i386
            (CONSOLE, "executable", bool(header.IMAGE_FILE_EXECUTABLE_IMAGE), True),
            (CONSOLE, "subsystem", optional.Subsystem, 3),  # the console
            (SUBSYSTEM, "",
             (optional.MajorSubsystemVersion, optional.MinorSubsystemVersion), (3, 10)),
            (OS_VERSION, "",
             (optional.MajorOperatingSystemVersion, optional.MinorOperatingSystemVersion), (1, 0)),
            (CHECKSUM, "", optional.CheckSum, pe.generate_checksum()),
            (ALIGNMENT, "in memory, in the file",
             (optional.SectionAlignment, optional.FileAlignment), (4096, 512)),
            (WIN32_VERSION, "", optional.Reserved1, 0),
            (RELOCATIONS, "relocations stripped", bool(header.IMAGE_FILE_RELOCS_STRIPPED), False),
            (RELOCATIONS, "DYNAMIC_BASE",
             bool(optional.IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE), True),
            *((rule, f"{name} directory present", directory[name], wanted)
              for name, (rule, wanted) in DIRECTORIES.items()),
            (TIME_STAMP, "", header.TimeDateStamp, 0)]:
        if value != wanted:
            yield f"{rule}: {what + ': ' if what else ''}{value}, wanted {wanted}"
    for section in pe.sections:
        if 0 < section.SizeOfRawData < section.Misc_VirtualSize:
            name = section.Name.rstrip(b"\0").decode()
            yield (f"{NO_TAIL}: {name}, {section.Misc_VirtualSize} bytes in memory, "
                   f"{section.SizeOfRawData} in the file")
    if size > max_size:
        yield f"size: {size} bytes, more than {max_size}"
    yield from descriptor_problems(pe)
    yield from resource_problems(pe, version)
    found = list(imports(pe))
    for table in sorted({address for _, _, address in found}):
        section = pe.get_section_by_rva(table)
        if section is None or not section.IMAGE_SCN_MEM_WRITE:
            yield f"{WRITABLE_IAT}: the address table at {table:#x} is in a read-only section"
    for dll, function, _ in found:
        if function not in ALLOWED.get(dll, ()):
            yield f"{IMPORTS}: imports {function} from {dll}"
    for dll, function in sorted(REQUIRED - {(dll, f) for dll, f, _ in found} if exact else []):
        yield f"{IMPORTS}: does not import {function} from {dll}"
    for name, rva, length in sections:
        if re.fullmatch(r"\.dtors?(\..*)?", name) and length > 0:
            yield f"{DESTRUCTORS}: {name} at {rva:#x}"
    yield from code_problems(pe, sections)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("map")
    parser.add_argument("max_size", type=int)
    parser.add_argument("--exact", action="store_true")
    parser.add_argument("--version")
    arguments = parser.parse_args()
    path = arguments.program
    with open(path, "rb") as program:
        data = program.read()
    pe = pefile.PE(data=data)
    with open(arguments.map, encoding="utf-8", errors="replace") as linker_map:
        sections = list(input_sections(linker_map.read(), pe.OPTIONAL_HEADER.ImageBase))
    found = list(problems(pe, sections, len(data), arguments.max_size, arguments.exact,
                          arguments.version))
    listing = ", ".join(f"{dll}!{function}" for dll, function, _ in imports(pe))
    print(f"{path}: {len(data)} bytes; imports {listing}")
    for problem in found:
        print(f"{path}: {problem}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
