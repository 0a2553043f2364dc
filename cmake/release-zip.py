#!/usr/bin/env python3
"""Packs the staged release files into a zip whose bytes depend on their
contents alone, and writes a SHA256SUMS file for it, which `sha256sum -c`
checks.

Usage: release-zip.py STAGING-DIR ZIP SECONDS-SINCE-1970

Entries are in name order, all dated SECONDS-SINCE-1970 (the commit's date),
with fixed attributes and no extra fields: no build time, owner or file
system detail gets into the zip.
"""
import hashlib
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    staging, zip_path, seconds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    # A zip's dates start in 1980.
    when = time.gmtime(max(seconds, 315532800))[:6]
    names = sorted(os.listdir(staging))
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name in names:
            entry = zipfile.ZipInfo(name, date_time=when)
            entry.create_system = 0  # MS-DOS: no Unix owner or mode
            entry.external_attr = 0
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(staging, name), "rb") as staged:
                archive.writestr(entry, staged.read(), compresslevel=9)
    with open(zip_path, "rb") as written:
        digest = hashlib.sha256(written.read()).hexdigest()
    sums = os.path.join(os.path.dirname(zip_path), "SHA256SUMS")
    with open(sums, "w", encoding="ascii", newline="\n") as out:
        out.write(f"{digest}  {os.path.basename(zip_path)}\n")


if __name__ == "__main__":
    main()
