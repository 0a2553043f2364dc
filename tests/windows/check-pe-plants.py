#!/usr/bin/env python3
"""check-pe.py must pass PROGRAM, which says it is VERSION, and name each
fault below once it is planted in a copy of PROGRAM.

Usage: check-pe-plants.py PROGRAM VERSION
"""
import pathlib
import runpy
import sys

import pefile

problems = runpy.run_path(str(pathlib.Path(__file__).with_name("check-pe.py")))["problems"]


def read_only_table(pe):
    pe.get_section_by_rva(pe.DIRECTORY_ENTRY_IMPORT[0].struct.FirstThunk).Characteristics &= ~(
        pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_WRITE"])
    return "in a read-only section"


def memory_beyond_file(pe):
    pe.sections[-1].Misc_VirtualSize = pe.sections[-1].SizeOfRawData + 1
    return f"{pe.sections[-1].SizeOfRawData + 1} bytes in memory"


def wrong_checksum(pe):
    pe.OPTIONAL_HEADER.CheckSum ^= 1
    return "checksum"


def win32_version_value(pe):
    pe.OPTIONAL_HEADER.Reserved1 = 0x0A280105
    return "Win32VersionValue"


def bound_import(pe):
    pe.DIRECTORY_ENTRY_IMPORT[0].struct.TimeDateStamp = 0xFFFFFFFF
    return "time stamp 0xffffffff"


def lookup_table_outside(pe):
    pe.DIRECTORY_ENTRY_IMPORT[-1].struct.OriginalFirstThunk = 0x7FFFFFF0
    return "lookup table at 0x7ffffff0 is in no section"


def manifest(pe):
    pe.DIRECTORY_ENTRY_RESOURCE.entries[0].struct.Name = 24  # the version resource, retyped
    return "a manifest resource"


def first_instruction(code, name):
    def plant(pe):
        text = next(section for section in pe.sections if section.IMAGE_SCN_MEM_EXECUTE)
        pe.set_bytes_at_rva(text.VirtualAddress, bytes.fromhex(code))
        return f"{pe.OPTIONAL_HEADER.ImageBase + text.VirtualAddress:#x}: {name}"
    return plant


PLANTS = [read_only_table, memory_beyond_file, wrong_checksum, win32_version_value, bound_import,
          lookup_table_outside, manifest,
          first_instruction("0fc8", "bswap"),  # 486, a two-byte opcode the 386 lacks
          first_instruction("dac1", "fcmovb"),  # Pentium Pro, in capstone's cmov group
          first_instruction("dbf1", "fcomi")]  # Pentium Pro, in an opcode the 387 has


def named(data):
    return list(problems(pefile.PE(data=bytes(data)), len(data), len(data), False, sys.argv[2]))


data = pathlib.Path(sys.argv[1]).read_bytes()
failures = [f"unplanted: {problem}" for problem in named(data)]
for plant in PLANTS:
    copy = pefile.PE(data=data)
    expected = plant(copy)
    found = named(copy.write())
    if not any(expected in problem for problem in found):
        failures.append(f"{plant.__name__}: {expected!r} not among {found}")
print("\n".join(failures) or f"{len(PLANTS)} planted faults named")
sys.exit(1 if failures else 0)
