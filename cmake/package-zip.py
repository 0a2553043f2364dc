#!/usr/bin/env python3
"""Makes the release: NAME-win32.zip of the staged files, NAME-floppy.img of
the same files, NAME-source.zip of the source, and SHA256SUMS for the three,
which `sha256sum -c` checks. Their bytes depend on the files' contents and the
package date alone, and the image's on the version of mtools too, which its
boot sector names.

Usage: package-zip.py STAGING-DIR SOURCE-DIR OUTPUT-DIR NAME PACKAGE-DATE

PACKAGE-DATE is YYYY-MM-DD; SOURCE_DATE_EPOCH, where set, takes its place.
Every entry is dated with it, in name order, with no extra fields. The win32
zip is for Windows: MS-DOS entries, and its text files (all but .exe) plain
ASCII with CR LF line ends, as Notepad of any Windows version shows them. The source
zip keeps the files as they are, with their Unix modes, below NAME/: the
files git tracks in a checkout, and every file but build/ elsewhere (an
unpacked source zip), so that a source zip gives itself again. The image is a
1.44 MB FAT12 floppy's, made with mtools, holding the win32 zip's files under
their 8.3 names in capitals; its volume serial is the date's digits (DOS
shows 2026-12-08 as 2026-1208) and every time in it is the package date.
"""
import calendar
import datetime
import hashlib
import os
import pathlib
import subprocess
import sys
import tempfile
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


def write_image(path, files, when):
    # mtools dates what it writes with SOURCE_DATE_EPOCH, where set, as local time.
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(calendar.timegm(when)), TZ="UTC0")
    path.unlink(missing_ok=True)
    with tempfile.TemporaryDirectory() as staged:
        names = []
        for name, data in sorted(files):
            names.append(os.path.join(staged, name))
            pathlib.Path(names[-1]).write_bytes(data)
        for command in (["mformat", "-C", "-f", "1440", "-v", "OSVER", "-N",
                         "{:04}{:02}{:02}".format(*when[:3]), "::"], ["mcopy", *names, "::"]):
            try:
                subprocess.run([command[0], "-i", path, *command[1:]], env=env, check=True,
                               capture_output=True)
            except OSError as error:
                sys.exit(f"package-zip: the floppy image is made with mtools (Debian's package "
                         f"mtools), but {command[0]} cannot be run: {error.strerror}")
            except subprocess.CalledProcessError as error:
                reason = error.stderr.decode(errors="replace").strip() or f"exit status {error.returncode}"
                sys.exit(f"package-zip: {command[0]} cannot make the floppy image: {reason}")


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
    write_zip(output / f"{name}-source.zip", sources, when, True)
    write_zip(output / f"{name}-win32.zip", win32, when, False)
    write_image(output / f"{name}-floppy.img", [(file.upper(), data) for file, data, _ in win32], when)
    sums = [f"{hashlib.sha256((output / file).read_bytes()).hexdigest()}  {file}\n"
            for file in [f"{name}-floppy.img", f"{name}-source.zip", f"{name}-win32.zip"]]
    (output / "SHA256SUMS").write_text("".join(sums), encoding="ascii")


if __name__ == "__main__":
    main()
