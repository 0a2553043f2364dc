#!/usr/bin/env python3
"""Windows Vista and later load the program at another address on every run
and apply its base relocations; Wine and older Windows never do. So the
relocations are checked without trusting them: REBASED is the same objects
linked at another image base, and the two files must differ exactly where
the relocation table says, each place by the distance between the bases.
A copy of PROGRAM with one fixup taken out of its table must then fail.

Usage: check-relocations.py PROGRAM REBASED
"""
import struct
import sys

import pefile


def fixups(pe):
    """The RVAs of the 32-bit fixups, and the other kinds found, as problems."""
    table, others = set(), []
    for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
        for entry in block.entries:
            if entry.type == pefile.RELOCATION_TYPE["IMAGE_REL_BASED_HIGHLOW"]:
                table.add(entry.rva)
            elif entry.type != pefile.RELOCATION_TYPE["IMAGE_REL_BASED_ABSOLUTE"]:  # padding
                others.append(f"a fixup of type {entry.type} at {entry.rva:#x}")
    return table, others


def problems(program, rebased):
    delta = (rebased.OPTIONAL_HEADER.ImageBase - program.OPTIONAL_HEADER.ImageBase) & 0xFFFFFFFF
    if delta == 0:
        return ["both files have the same image base"]
    layout = [[(s.Name, s.VirtualAddress, s.SizeOfRawData) for s in pe.sections]
              for pe in (program, rebased)]
    if layout[0] != layout[1]:
        return [f"the sections differ: {layout[0]} and {layout[1]}"]
    table, found = fixups(program)
    if not table:
        found.append("no relocations")
    for section in program.sections:
        here = section.get_data()
        there = rebased.get_section_by_rva(section.VirtualAddress).get_data()
        at = 0
        while at < len(here):
            rva = section.VirtualAddress + at
            if rva in table:
                moved = (struct.unpack_from("<I", there, at)[0] -
                         struct.unpack_from("<I", here, at)[0]) & 0xFFFFFFFF
                if moved != delta:
                    found.append(f"the fixup at {rva:#x} moves by {moved:#x}, the base by {delta:#x}")
                at += 4
            elif here[at] != there[at]:
                found.append(f"{rva:#x} differs between the bases, and no fixup covers it")
                at += 4  # one report per address
            else:
                at += 1
    return found


def without_first_fixup(data):
    """PROGRAM with the first fixup in its table made padding."""
    pe = pefile.PE(data=data)
    pe.DIRECTORY_ENTRY_BASERELOC[0].entries[0].struct.Data = 0
    return pefile.PE(data=pe.write())


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as file:
        data = file.read()
    program, rebased = pefile.PE(data=data), pefile.PE(sys.argv[2])
    found = problems(program, rebased)
    if not problems(without_first_fixup(data), rebased):
        found.append("a fixup taken out of the table went unnoticed")
    print(f"{sys.argv[1]}: {len(fixups(program)[0])} fixups, and the rebased link differs there alone")
    for problem in found:
        print(f"{sys.argv[1]}: {problem}")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main()
