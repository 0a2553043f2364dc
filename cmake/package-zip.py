#!/usr/bin/env python3
"""Makes the zips: NAME-win32.zip of the staged files, NAME-source.zip of
the source, and SHA256SUMS for both, which `sha256sum -c` checks. Their bytes
depend on the files' contents and the package date alone.

Usage: package-zip.py STAGING-DIR SOURCE-DIR OUTPUT-DIR NAME PACKAGE-DATE

PACKAGE-DATE is YYYY-MM-DD; SOURCE_DATE_EPOCH, where set, takes its place.
Every entry is dated with it, in name order, with no extra fields. The win32
zip is for Windows: MS-DOS entries, and its text files (all but .exe) plain
ASCII with CR LF line ends, as Notepad of any Windows version shows them. The source
zip keeps the files as they are, with their Unix modes, below NAME/: the
files git tracks in a checkout, and every file but build/ elsewhere (an
unpacked source zip), so that a source zip gives itself again.
"""
import datetime
import hashlib
import os
import pathlib
import subprocess
import sys
import zipfile


def package_time(date):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    try:
        if epoch:
            when = datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)
        else:
            when = datetime.datetime.fromisoformat(date)
    except ValueError:
        given = f"SOURCE_DATE_EPOCH={epoch!r}, no count of seconds" if epoch else f"{date!r}"
        sys.exit(f"package-zip: cannot tell the package date from {given}")
    if when.year < 1980:
        sys.exit(f"package-zip: the package date {when:%Y-%m-%d} is before 1980, where zip dates begin")
    return when.timetuple()[:6]


def source_files(top):
    """(path, Unix mode) of each file of the source, in name order."""
    if (top / ".git").exists():
        try:
            listing = subprocess.run(["git", "-C", top, "ls-files", "--stage", "-z"], check=True,
                                     capture_output=True).stdout.decode()
        except OSError as error:
            sys.exit(f"package-zip: {top} is a git checkout, but git cannot be run: {error}")
        except subprocess.CalledProcessError as error:
            # git's own reason, such as a checkout owned by another user.
            reason = error.stderr.decode(errors="replace").strip() or f"exit status {error.returncode}"
            sys.exit(f"package-zip: {top} is a git checkout, but git cannot list its files: {reason}")
        files = {}
        for record in filter(None, listing.split("\0")):
            info, path = record.split("\t", 1)
            files[path] = int(info.split()[0], 8)
        return sorted(files.items())
    return sorted((path.relative_to(top).as_posix(),
                   0o100755 if os.access(path, os.X_OK) else 0o100644)
                  for path in top.rglob("*")
                  if path.is_file() and path.relative_to(top).parts[0] != "build")


def windows_text(name, data):
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError as error:
        line = data[:error.start].count(b"\n") + 1
        sys.exit(f"package-zip: {name}, line {line}: not ASCII, which old Windows shows garbled")
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")


def write_zip(path, entries, when, unix):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, mode in entries:
            entry = zipfile.ZipInfo(name, date_time=when)
            # Unix with the file's mode, or MS-DOS with the archive bit alone, as
            # Windows marks a new file (never 0, which zipfile would change).
            entry.create_system = 3 if unix else 0
            entry.external_attr = mode << 16 if unix else 0x20
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)
    return hashlib.sha256(path.read_bytes()).hexdigest()


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    staging, source, output = map(pathlib.Path, sys.argv[1:4])
    name, when = sys.argv[4], package_time(sys.argv[5])
    win32 = [(file.name, file.read_bytes() if file.suffix == ".exe"
              else windows_text(file.name, file.read_bytes()), 0)
             for file in sorted(staging.iterdir())]
    sources = [(f"{name}/{path}", (source / path).read_bytes(), mode)
               for path, mode in source_files(source)]
    sums = [f"{write_zip(output / f'{name}-{kind}.zip', entries, when, unix)}  {name}-{kind}.zip\n"
            for kind, entries, unix in [("source", sources, True), ("win32", win32, False)]]
    (output / "SHA256SUMS").write_text("".join(sums), encoding="ascii")


if __name__ == "__main__":
    main()
