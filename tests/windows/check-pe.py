#!/usr/bin/env python3
"""Reads a Windows program as the loaders of every 32-bit Windows release
read it, and its code as an 80386 with a 387 runs it, and fails unless all
of them accept it: each rule below is one of Windows NT 3.1's or Windows 95's.

Usage: check-pe.py PROGRAM MAX-BYTES [--exact] [--version X.Y.Z]
With --exact, the program must import every allowed function, not a subset
(memset and memcpy aside, which a compiler may or may not call). With
--version, it must carry one version resource, saying X.Y.Z, and no other
resource; without, no resource at all.
Needs pefile and capstone (Debian: python3-pefile, python3-capstone).
"""
import argparse
import struct
import sys

import capstone
import pefile

# Every import a program of this project may have, each present in the
# KERNEL32.dll and crtdll.dll of Windows NT 3.1 and Windows 95.
ALLOWED = {
    "kernel32.dll": {"ExitProcess", "GetLastError", "GetModuleHandleA", "GetProcAddress",
                     "GetVersion", "SetLastError"},
    "crtdll.dll": {"__GetMainArgs", "_cexit", "_fpreset", "_iob", "atexit", "fflush", "ferror",
                   "printf", "memset", "memcpy"},
}
# Those osver.exe must import: all but what a compiler may or may not call.
REQUIRED = {(dll, f) for dll, functions in ALLOWED.items() for f in functions} - {
    ("crtdll.dll", "memset"), ("crtdll.dll", "memcpy")}

# The directories a loader from NT 3.1 and Windows 95 on reads; the others
# are left out. Resources are checked on their own.
DIRECTORIES = {"BASERELOC": True, "TLS": False, "BOUND_IMPORT": False, "DELAY_IMPORT": False}
RT_VERSION, RT_MANIFEST = 16, 24

# The 80386's two-byte opcodes (0F xx). Every other one came later: BSWAP,
# XADD and CMPXCHG with the 486; CPUID, RDTSC, RDMSR, WRMSR and CMPXCHG8B
# with the Pentium; CMOVcc, RDPMC and the long NOP (0F 1F) with the Pentium
# Pro; all of MMX and SSE.
I386_TWO_BYTE = {0x00, 0x01, 0x02, 0x03, 0x06, 0x20, 0x21, 0x22, 0x23, 0x24, 0x26,
                 *range(0x80, 0xA2), 0xA3, 0xA4, 0xA5, 0xA8, 0xA9, 0xAB, 0xAC, 0xAD, 0xAF,
                 *range(0xB2, 0xB8), *range(0xBA, 0xC0)}
# What capstone files the 386's own instructions under. Any other group names
# an extension (cmov, mmx, sse1, avx, bmi, ...): every instruction on an MMX,
# SSE or later register is in one.
I386_GROUPS = {"jump", "call", "ret", "int", "iret", "privilege", "branch_relative", "mode32",
               "16bitmode", "not64bitmode", "fpu"}
# Later instructions in opcodes the 386 and 387 already had: INVLPG (486),
# FCOMI and FUCOMI (Pentium Pro), FISTTP (SSE3), LZCNT and TZCNT.
LATER_NAMES = {"invlpg", "fcomi", "fcomip", "fucomi", "fucomip", "fisttp", "lzcnt", "tzcnt"}


def later_instructions(pe):
    """The instructions in executable sections that no 80386 runs. Bytes that
    decode to nothing (data, such as the read-only data after the code) are
    stepped over."""
    decoder = capstone.Cs(capstone.CS_ARCH_X86, capstone.CS_MODE_32)
    decoder.detail = True
    for section in pe.sections:
        if not section.IMAGE_SCN_MEM_EXECUTE:
            continue
        code = section.get_data()[:section.Misc_VirtualSize]
        start = pe.OPTIONAL_HEADER.ImageBase + section.VirtualAddress
        at = 0
        while at < len(code):
            for insn in decoder.disasm(code[at:], start + at):
                at += insn.size
                if ((insn.opcode[0] == 0x0F and insn.opcode[1] not in I386_TWO_BYTE)
                        or not {insn.group_name(g) for g in insn.groups} <= I386_GROUPS
                        or insn.mnemonic.split()[-1] in LATER_NAMES):
                    yield f"{insn.address:#x}: {insn.mnemonic} {insn.op_str}".rstrip()
            at += 1  # decoding stopped at a byte that begins no instruction


def imports(pe):
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for function in entry.imports:
            # Ordinals differ between releases; names do not.
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
        yield f"import directory at {rva:#x} outside every section"
        return
    for at in range(rva, section.VirtualAddress + section.Misc_VirtualSize - 19, 20):
        lookup, stamp, _, name, table = struct.unpack("<5I", pe.get_data(at, 20))
        if not any((lookup, stamp, name, table)):
            return
        for what, where in [("lookup table", lookup), ("DLL name", name), ("address table", table)]:
            if pe.get_section_by_rva(where) is None:
                yield f"import descriptor at {at:#x}: its {what} at {where:#x} is in no section"
        if stamp != 0:
            yield f"import descriptor at {at:#x}: time stamp {stamp:#x}, wanted 0 (not bound)"
    yield f"the import descriptors at {rva:#x} end in no null descriptor"


def resource_problems(pe, version):
    """Exactly one version resource, in US English, saying VERSION (file and
    product, in the numbers and the text), and no other resource: above all
    no manifest, which would change what Windows 8.1 and later report."""
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    found = [(entry.id, name.id, language.id) for entry in (directory.entries if directory else [])
             for name in entry.directory.entries for language in name.directory.entries]
    if any(kind == RT_MANIFEST for kind, _, _ in found):
        yield "a manifest resource: Windows would tell the program another version"
    wanted = [(RT_VERSION, 1, 0x409)] if version else []
    if found != wanted:
        yield f"resources (type, name, language): {found}, wanted {wanted}"
        return
    if not version:
        return
    fixed = pe.VS_FIXEDFILEINFO[0]
    numbers = [int(part) for part in version.split(".")] + [0]
    packed = (numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3])
    for what, value in [("file", (fixed.FileVersionMS, fixed.FileVersionLS)),
                        ("product", (fixed.ProductVersionMS, fixed.ProductVersionLS))]:
        if value != packed:
            yield f"{what} version {value[0]:#x} {value[1]:#x}, wanted {packed[0]:#x} {packed[1]:#x}"
    strings = {key.decode(): value.decode() for info in pe.FileInfo[0]
               if info.Key == b"StringFileInfo" for table in info.StringTable
               if table.LangID == b"040904E4" for key, value in table.entries.items()}
    for key, value in [("FileVersion", version), ("ProductVersion", version),
                       ("ProductName", "osver"), ("OriginalFilename", "osver.exe")]:
        if strings.get(key) != value:
            yield f"version resource, US English, code page 1252: {key} {strings.get(key)!r}, wanted {value!r}"


def problems(pe, size, max_size, exact, version=None):
    header, optional = pe.FILE_HEADER, pe.OPTIONAL_HEADER
    directory = {name: optional.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY[
        f"IMAGE_DIRECTORY_ENTRY_{name}"]].VirtualAddress != 0 for name in DIRECTORIES}
    for what, value, wanted in [
            ("machine", header.Machine, 0x14C),  # i386
            ("executable", bool(header.IMAGE_FILE_EXECUTABLE_IMAGE), True),
            ("relocations stripped", bool(header.IMAGE_FILE_RELOCS_STRIPPED), False),
            ("time stamp (two builds would differ)", header.TimeDateStamp, 0),
            ("subsystem (the console)", optional.Subsystem, 3),
            ("subsystem version (NT 3.1 loads 3.10 at most)",
             (optional.MajorSubsystemVersion, optional.MinorSubsystemVersion), (3, 10)),
            ("operating system version (NT 3.1's)",
             (optional.MajorOperatingSystemVersion, optional.MinorOperatingSystemVersion), (1, 0)),
            ("alignment in memory and in the file (Windows 95's)",
             (optional.SectionAlignment, optional.FileAlignment), (4096, 512)),
            ("checksum", optional.CheckSum, pe.generate_checksum()),
            # Non-zero, NT reports the version it holds instead of its own.
            ("Win32VersionValue", optional.Reserved1, 0),
            *((f"{name} directory present", directory[name], wanted)
              for name, wanted in DIRECTORIES.items())]:
        if value != wanted:
            yield f"{what}: {value}, wanted {wanted}"
    for section in pe.sections:
        if 0 < section.SizeOfRawData < section.Misc_VirtualSize:
            name = section.Name.rstrip(b"\0").decode()
            yield (f"section {name}: {section.Misc_VirtualSize} bytes in memory, "
                   f"{section.SizeOfRawData} in the file")
    if size > max_size:
        yield f"{size} bytes, more than {max_size}"
    yield from descriptor_problems(pe)
    yield from resource_problems(pe, version)
    found = list(imports(pe))
    for table in sorted({address for _, _, address in found}):
        section = pe.get_section_by_rva(table)
        if section is None or not section.IMAGE_SCN_MEM_WRITE:
            yield f"import address table at {table:#x} in a read-only section"
    for dll, function, _ in found:
        if function not in ALLOWED.get(dll, ()):
            yield f"imports {function} from {dll}"
    for dll, function in sorted(REQUIRED - {(dll, f) for dll, f, _ in found} if exact else []):
        yield f"does not import {function} from {dll}"
    for instruction in later_instructions(pe):
        yield f"not an 80386 instruction: {instruction}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("max_size", type=int)
    parser.add_argument("--exact", action="store_true")
    parser.add_argument("--version")
    arguments = parser.parse_args()
    path = arguments.program
    with open(path, "rb") as program:
        data = program.read()
    pe = pefile.PE(data=data)
    found = list(problems(pe, len(data), arguments.max_size, arguments.exact, arguments.version))
    listing = ", ".join(f"{dll}!{function}" for dll, function, _ in imports(pe))
    print(f"{path}: {len(data)} bytes; imports {listing}")
    for problem in found:
        print(f"{path}: {problem}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
