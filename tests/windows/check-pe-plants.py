#!/usr/bin/env python3
"""check_pe.py must pass PROGRAM, which says it is VERSION, and name each
fault below, under its rule, once it is planted in a copy of PROGRAM or of
its linker's MAP; and it must still pass PROGRAM with an instruction's bytes
planted in the read-only data that follows the code.

Usage: check-pe-plants.py PROGRAM MAP VERSION
"""
import pathlib
import sys

import pefile

from check_pe import (CHECKSUM, DESTRUCTORS, I386, IMPORTS, NO_MACHINERY, NO_TAIL, RELOCATIONS,
                      RESOURCES, WIN32_VERSION, WRITABLE_IAT, input_sections, problems)


def read_only_table(pe, _):
    pe.get_section_by_rva(pe.DIRECTORY_ENTRY_IMPORT[0].struct.FirstThunk).Characteristics &= ~(
        pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_WRITE"])
    return WRITABLE_IAT, "is in a read-only section"


def memory_beyond_file(pe, _):
    pe.sections[-1].Misc_VirtualSize = pe.sections[-1].SizeOfRawData + 1
    return NO_TAIL, f"{pe.sections[-1].SizeOfRawData + 1} bytes in memory"


def wrong_checksum(pe, _):
    pe.OPTIONAL_HEADER.CheckSum ^= 1
    return CHECKSUM, ", wanted"


def win32_version_value(pe, _):
    pe.OPTIONAL_HEADER.Reserved1 = 0x0A280105
    return WIN32_VERSION, f"{0x0A280105}, wanted 0"


def bound_import(pe, _):
    pe.DIRECTORY_ENTRY_IMPORT[0].struct.TimeDateStamp = 0xFFFFFFFF
    return NO_MACHINERY, "time stamp 0xffffffff"


def lookup_table_outside(pe, _):
    pe.DIRECTORY_ENTRY_IMPORT[-1].struct.OriginalFirstThunk = 0x7FFFFFF0
    return IMPORTS, "lookup table at 0x7ffffff0 is in no section"


def manifest(pe, _):
    pe.DIRECTORY_ENTRY_RESOURCE.entries[0].struct.Name = 24  # the version resource, retyped
    return RESOURCES, "a manifest resource"


def no_dynamic_base(pe, _):
    pe.OPTIONAL_HEADER.DllCharacteristics &= ~pefile.DLL_CHARACTERISTICS[
        "IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"]
    return RELOCATIONS, "DYNAMIC_BASE: False"


def destructor_entry(_, sections):
    sections.append((".dtors", 0x1140, 4))  # where lld-16 put one
    return DESTRUCTORS, ".dtors at 0x1140"


def no_code(_, sections):
    sections[:] = [entry for entry in sections if not entry[0].startswith(".text")]
    return I386, "the map places no code"


NOT_386, FPU = "not an 80386 instruction", "FPU instruction"


def first_instruction(code, name, reason):
    def plant(pe, sections):
        rva = min(rva for section, rva, size in sections if section.startswith(".text") and size)
        pe.set_bytes_at_rva(rva, bytes.fromhex(code))
        return I386, f"{reason}: {pe.OPTIONAL_HEADER.ImageBase + rva:#x}: {name}"
    plant.__name__ = name or code
    return plant


PLANTS = [read_only_table, memory_beyond_file, wrong_checksum, win32_version_value, bound_import,
          lookup_table_outside, manifest, no_dynamic_base, destructor_entry, no_code,
          first_instruction("0fc8", "bswap", NOT_386),  # 486, a two-byte opcode the 386 lacks
          first_instruction("0f0a", "", NOT_386),  # no CPU's: the sweep must not stop unseen
          first_instruction("0fa2", "cpuid", NOT_386),  # Pentium
          first_instruction("d9e8", "fld1", FPU),  # the 387's own
          first_instruction("dac1", "fcmovb", FPU),  # Pentium Pro, in capstone's cmov group
          first_instruction("dbf1", "fcomi", FPU)]  # Pentium Pro, in an opcode the 387 has


def named(data, sections):
    pe = pefile.PE(data=bytes(data))
    return list(problems(pe, sections, len(data), len(data), False, sys.argv[3]))


def cpuid_in_read_only_data(data, sections):
    """PROGRAM with the read-only data after the code beginning with 15 NOPs
    and CPUID, its checksum made right again. After the NOPs a sweep that ran
    on from the code would be in step with the data, whatever it had decoded
    (an instruction has 15 bytes at most), and meet CPUID."""
    pe = pefile.PE(data=data)
    rva = next(rva for name, rva, size in sections if name == ".rdata" and size >= 17)
    if not pe.get_section_by_rva(rva).IMAGE_SCN_MEM_EXECUTE:
        sys.exit(f"the read-only data at {rva:#x} is not in the code's section: nothing to plant")
    pe.set_bytes_at_rva(rva, bytes.fromhex("90" * 15 + "0fa2"))
    pe = pefile.PE(data=pe.write())
    pe.OPTIONAL_HEADER.CheckSum = pe.generate_checksum()
    return pe.write()


data = pathlib.Path(sys.argv[1]).read_bytes()
linker_map = pathlib.Path(sys.argv[2]).read_text(encoding="utf-8", errors="replace")
placed = list(input_sections(linker_map, pefile.PE(data=data).OPTIONAL_HEADER.ImageBase))
failures = [f"unplanted: {problem}" for problem in named(data, placed)]
failures += [f"cpuid in the read-only data: {problem}"
             for problem in named(cpuid_in_read_only_data(data, placed), placed)]
for plant in PLANTS:
    copy, sections = pefile.PE(data=data), list(placed)
    rule, words = plant(copy, sections)
    found = named(copy.write(), sections)
    if not any(problem.startswith(f"{rule}: ") and words in problem for problem in found):
        failures.append(f"{plant.__name__}: {rule!r} with {words!r} not among {found}")
print("\n".join(failures)
      or f"{len(PLANTS)} planted faults named; CPUID's bytes in the read-only data passed")
sys.exit(1 if failures else 0)
