#!/usr/bin/env python3
"""The checker and the program, both ways, and the checker on any input, as
properties over the inputs hypothesis makes, each failure shrunk to its least:

  any-input           a saved report or floppy image, edited, a report with odd
                      fields, or junk: the checker exits 0, 1 or 2 within 10 s
                      and 512 MB, never with a traceback, in ASCII lines, one on
                      standard error alone on exit 2, and leaves the file as it was
  program-to-checker  the scripted platform's report of numbers in agreement, with
                      LF and with CR LF line ends, passes the checker
  checker-to-program  a report the checker passes, the scripted platform writes
                      again, byte for byte, from the numbers it holds
  remake FILE...      each saved report (tests/windows/versions/) written again so
  examples FILE...    so too each report the texts show, and the platforms' names

OSVER_EXAMPLES sets how many inputs each property tries (400 unless set).
Usage: checker-properties.py PROPERTY CHECKER OSVER_SCRIPTED VERSIONS-DIR|FILE...
"""
import os
import pathlib
import re
import resource
import subprocess
import sys
import tempfile

from hypothesis import HealthCheck, given, settings, strategies as st

if len(sys.argv) < 5:
    sys.exit(__doc__)
PROPERTY, CHECKER, SCRIPTED, *FILES = sys.argv[1:]
WORK = tempfile.TemporaryDirectory(prefix="checker properties ")
EXAMPLES = settings(max_examples=int(os.environ.get("OSVER_EXAMPLES", "400")), deadline=None,
                    database=None, suppress_health_check=list(HealthCheck))
U32 = st.sampled_from([0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x10000, 2**31 - 1,
                       2**31, 2**32 - 1]) | st.integers(0, 2**32 - 1)
# The service-pack text as the platform leaves it: 128 bytes or more have no
# NUL; none has a line end, which would split its line.
CSD = st.binary(max_size=130).map(lambda text: re.sub(rb"[\0\r\n]", b"x", text))
LINES = [rb"GetVersionEx failed\. GetLastError = (\S+)\.",
         rb"verData (\S+)\.(\S+) bld (\S+) \[(.*)\] plat:\S+ \((\S+)\)", rb"version\.data = +(\S+)",
         rb"version\.info\.major = \S+", rb"version\.info\.minor = \S+",
         rb"version\.info\.platform = \S+"]


def checker(data, stdin=False):
    """The checker's exit status, output and error on data, from a file or standard input."""
    path = pathlib.Path(WORK.name, "saved report")
    path.write_bytes(data)
    with open(path, "rb") as source:
        done = subprocess.run(
            [sys.executable, CHECKER] + ([] if stdin else [str(path)]), capture_output=True,
            stdin=source if stdin else subprocess.DEVNULL, timeout=10, check=False,
            preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (512 << 20, 512 << 20)))
    assert path.read_bytes() == data, "the checker changed its input"
    status, out, err = done.returncode, done.stdout, done.stderr
    assert status in (0, 1, 2) and b"Traceback" not in err, (status, err)
    assert re.fullmatch(rb"[ -~\n]*", out + err), (out, err)
    if status == 2:
        assert not out and err.endswith(b"\n") and err.count(b"\n") == 1, (out, err)
    else:
        answer = rb"release: [^\n]*\n" if status == 0 else rb"(check-report: [^\n]*\n)+"
        assert not err and re.fullmatch(answer, out), (out, err)
    return status


def scripted(setting):
    environment = {key: value for key, value in os.environb.items() if b"OSVER_" not in key}
    return subprocess.run([SCRIPTED], env={**environment, **setting}, capture_output=True,
                          timeout=10, check=False).stdout


def remade(report):
    """Whether the scripted platform writes the report again from the numbers
    in it: as many lines as it has, for an example may end early."""
    lines = report.replace(b"\r\n", b"\n").removesuffix(b"\n").split(b"\n")
    patterns = LINES if lines[0].startswith(b"GetVersionEx") else LINES[1:]
    fields = [re.fullmatch(pattern, line) for pattern, line in zip(patterns, lines)]
    assert all(fields), f"not osver's lines: {report!r}"
    if len(patterns) == 6:
        setting = {b"OSVER_ERROR": fields.pop(0)[1]}
    else:
        major, minor, build, csd, platform = fields[0].groups()
        setting = {b"OSVER_RECORD": b" ".join((major, minor, build, platform)), b"OSVER_CSD": csd}
    if len(fields) > 1:
        setting[b"OSVER_WORD"] = b"0x" + fields[1][1]
    again = scripted(setting).split(b"\n")[:len(lines)]
    assert lines == again, f"{lines} is written {again}"


def saved(path):
    """A saved report's report (tests/lib.sh, report_in)."""
    return b"".join(line for line in pathlib.Path(path).read_bytes().splitlines(True)
                    if not line.startswith((b"source: ", b"release: ", b"wine: ")))


@st.composite
def numbers(draw):
    """What a platform answers, its two answers agreeing as the checker's --help says."""
    platform = draw(st.sampled_from([0, 1, 2]) | U32)
    word = draw(U32) | (0x80000000 if platform in (0, 1) else 0)
    major, minor = draw(U32) & ~0xFF | word & 0xFF, draw(U32) & ~0xFF | word >> 8 & 0xFF
    build = draw(U32)
    if platform == 1:  # the build's high half-word is the version again
        major, minor = word & 0xFF, word >> 8 & 0xFF
        build = (major << 8 | minor) << 16 | build & 0xFFFF
    elif platform == 2:
        build = word >> 16
    return {b"OSVER_RECORD": b"%d %d %d %d" % (major, minor, build, platform),
            b"OSVER_CSD": draw(CSD), b"OSVER_WORD": b"%d" % word,
            **({b"OSVER_ERROR": b"%d" % draw(U32)} if draw(st.booleans()) else {})}


@st.composite
def texts(draw):
    """A report as osver writes it, or as a careless hand or tool changes it."""
    setting = draw(numbers())
    major, minor, build, platform = map(int, setting[b"OSVER_RECORD"].split())
    word = int(setting[b"OSVER_WORD"])
    view = word >> 16 | (0xFFFF0000 if word >> 31 else 0)

    def pick(right, *wrong):
        return draw(st.sampled_from([right] * 4 + [variant for variant in wrong if variant]))

    def d(value):  # a 32-bit field as %d writes it, and as it does not
        number = value - (value >> 31 << 32)
        return pick(b"%d" % number, b"%d" % value, b"0%d" % number, b"+%d" % number,
                    b"-0" * (number == 0), b" %d" % number)

    name = pick({0: b"Win32s", 1: b"Win95", 2: b"WinNT"}.get(platform, b"Win??"), b"WinNT")
    lines = [b"verData %s.%s bld %s [%s] plat:%s (%s)" % (
                 d(major), d(minor), d(build), setting[b"OSVER_CSD"][:128], name, d(platform)),
             pick(b"version.data = %8X" % word, b"version.data = %08X" % word,
                  b"version.data = %X" % word, b"version.data = %8x" % word),
             *(pick(b"version.info.%s = %d" % (what, byte - (byte >> 7 << 8)),
                    b"version.info.%s = %d" % (what, byte))
               for what, byte in ((b"major", word & 0xFF), (b"minor", word >> 8 & 0xFF))),
             pick(b"version.info.platform = %X" % view, b"version.info.platform = %X" % (
                 word >> 16), b"version.info.platform = %x" % view)]
    if b"OSVER_ERROR" in setting:
        lines[0:1] = [b"GetVersionEx failed. GetLastError = %s." % d(int(
            setting[b"OSVER_ERROR"])), pick(b"verData 0.0 bld 0 [] plat:Win32s (0)", lines[0])]
    end = draw(st.sampled_from([b"\n", b"\r\n"]))
    return end.join(lines) + end * draw(st.sampled_from([1, 1, 1, 2, 0]))


# Edits of an input at a place, with bytes: set, insert, delete, cut, repeat.
EDITS = [lambda data, at, new: data[:at] + new[:4] + data[at + 4:],
         lambda data, at, new: data[:at] + new + data[at:],
         lambda data, at, new: data[:at] + data[at + len(new):],
         lambda data, at, new: data[:at],
         lambda data, at, new: data + data[at:] * (len(new) % 3 + 1)]


@st.composite
def inputs(draw):
    """A seed, a made report or junk, edited a few times; an image mostly in
    its boot sector, FAT, root folder and first clusters."""
    data = draw(st.sampled_from(SEEDS) | texts() | st.binary())
    for _ in range(draw(st.integers(0, 4))):
        data = draw(st.sampled_from(EDITS))(data, draw(st.integers(0, min(len(data), 20_000))),
                                            draw(st.binary(min_size=1, max_size=64)))
    return data


@EXAMPLES
@given(inputs(), st.booleans())
def any_input(data, stdin):
    checker(data, stdin)


@EXAMPLES
@given(numbers())
def program_to_checker(setting):
    report = scripted(setting)
    assert checker(report) == 0 == checker(report.replace(b"\n", b"\r\n")), report


@EXAMPLES
@given(texts())
def checker_to_program(report):
    if checker(report) == 0:
        remade(report)


def examples():
    """The reports the texts show: lines beginning as osver's, in a Markdown
    block or indented, until another line or "..."."""
    for text in FILES:
        data = pathlib.Path(text).read_bytes()
        blocks = re.findall(rb"(?m)^(?: {4})?((?:GetVersionEx failed|verData|version\.)[^\n]*\n"
                            rb"(?:(?: {4})?(?:verData|version\.)[^\n]*\n)*)", data)
        assert blocks, f"{text} shows no report"
        for block in blocks:
            remade(re.sub(rb"(?m)^ {4}", b"", block))
        said = b" ".join(data.replace(b"`", b"").split())
        for platform in range(4):
            name = re.search(rb"plat:(\S+)", scripted({b"OSVER_RECORD": b"5 0 2195 %d" % platform}))
            shown = name[1] + (b" (%d" % platform if platform < 3 else b" for any other value")
            assert shown in said, f"{text} does not say {shown}"


if __name__ == "__main__":
    if PROPERTY == "any-input":  # the saved reports, and an image holding one, as the release's may
        SEEDS = [saved(path) for path in sorted(pathlib.Path(FILES[0]).glob("*.txt"))]
        image, report = pathlib.Path(WORK.name, "seed.img"), pathlib.Path(WORK.name, "REPORT.TXT")
        report.write_bytes(SEEDS[-1].replace(b"\n", b"\r\n"))
        subprocess.run(["mformat", "-i", image, "-C", "-f", "1440", "::"], check=True)
        subprocess.run(["mcopy", "-i", image, report, "::"], check=True)
        SEEDS += SEEDS + [image.read_bytes()]
    {"any-input": any_input, "program-to-checker": program_to_checker,
     "checker-to-program": checker_to_program, "examples": examples,
     "remake": lambda: [remade(saved(path)) for path in FILES]}[PROPERTY]()
