"""Prints bench/run's measurements as a Markdown table.

Usage: table.py OUT-DIR LABEL...  The labels name the commands of each set
(native, then wine if measured) in order: empty program, osver, the other.
"""

import json
import os
import statistics
import sys


def medians(out, name):
    """Median seconds of each command of a set, over all its rounds."""
    with open(os.path.join(out, name + ".commands"), encoding="utf-8") as f:
        commands = f.read().splitlines()
    times = {command: [] for command in commands}
    for round_ in range(1, 5):
        with open(os.path.join(out, f"{name}-{round_}.json"), encoding="utf-8") as f:
            for result in json.load(f)["results"]:
                times[result["command"]] += result["times"]
    return [statistics.median(times[command]) for command in commands]


def instructions(out, name):
    path = os.path.join(out, name + ".instructions")
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as f:
        return [int(line.replace(",", "")) for line in f.read().split()]


def main():
    out, labels = sys.argv[1], sys.argv[2:]
    print("| command | median wall time | against the empty program "
          "| instructions | against the empty program |")
    print("|---|---|---|---|---|")
    for index, name in enumerate(["native", "wine"]):
        if len(labels) < 3 * (index + 1):
            break
        seconds = medians(out, name)
        counts = instructions(out, name)
        for row, label in enumerate(labels[3 * index:3 * index + 3]):
            cells = [label, f"{seconds[row] * 1e3:.3f} ms", f"{seconds[row] / seconds[0]:.3f}"]
            if counts:
                cells += [f"{counts[row]:,}", f"{counts[row] / counts[0]:.3f}"]
            else:
                cells += ["", ""]
            print("| " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
