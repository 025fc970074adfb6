#!/usr/bin/env python3
"""Builds data/postcodes.tsv, the content of the built-in postcode table, from the GeoNames postal code
export for Germany (DE.txt: UTF-8, tab-separated, twelve columns, no header).

Output: UTF-8, one "PLZ<TAB>Ort" pair per line, LF line ends, no header. Rows are ordered by postcode;
places of one postcode keep their order in the source file (a stable sort), which is the order the reader
window offers them in. An exact repeat of a pair is dropped, keeping the first.

The library tables hold Windows-1252 text, so every place name must be representable in it: the script
stops with an error (and writes nothing) when one is not, and likewise on any malformed line.

Usage: scripts/make-postcodes.py SOURCE [OUTPUT]   (OUTPUT defaults to data/postcodes.tsv)
"""

import os
import re
import sys
import tempfile

COLUMNS = 12
POSTCODE = re.compile(r"[0-9]{5}")


def fail(message):
    sys.exit("make-postcodes: " + message)


def read_pairs(source):
    pairs = []
    problems = []
    with open(source, encoding="utf-8", newline="") as f:
        for number, line in enumerate(f, start=1):
            line = line.removesuffix("\n").removesuffix("\r")
            fields = line.split("\t")
            if len(fields) != COLUMNS:
                problems.append(f"line {number}: {len(fields)} columns instead of {COLUMNS}")
                continue
            country, postcode, place = fields[0], fields[1], fields[2]
            if country != "DE":
                problems.append(f"line {number}: country {country!r} instead of 'DE'")
            if not POSTCODE.fullmatch(postcode):
                problems.append(f"line {number}: postcode {postcode!r} is not five digits")
            if not place or place != place.strip() or any(ord(c) < 0x20 or c == "\x7f" for c in place):
                problems.append(f"line {number}: place name {place!r} is empty or has stray blanks or control characters")
            try:
                place.encode("cp1252")
            except UnicodeEncodeError as e:
                problems.append(f"line {number}: place name {place!r} has {place[e.start]!r}, which Windows-1252 cannot hold")
            pairs.append((postcode, place))
    if problems:
        shown = "\n  ".join(problems[:50])
        more = f"\n  … and {len(problems) - 50} more" if len(problems) > 50 else ""
        fail(f"{source} cannot be converted:\n  {shown}{more}")
    if not pairs:
        fail(f"{source} holds no postcodes")
    return pairs


def main(argv):
    if len(argv) not in (2, 3):
        fail("usage: make-postcodes.py SOURCE [OUTPUT]")
    source = argv[1]
    output = argv[2] if len(argv) == 3 else os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "postcodes.tsv"))

    pairs = read_pairs(source)
    seen = set()
    unique = []
    for pair in pairs:
        if pair not in seen:
            seen.add(pair)
            unique.append(pair)
    unique.sort(key=lambda pair: pair[0])  # stable: places of one postcode stay in source order

    # Replace the output in one step, so that a failed run never leaves half a table behind.
    folder = os.path.dirname(os.path.abspath(output))
    os.makedirs(folder, exist_ok=True)
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", newline="\n", dir=folder, delete=False) as tmp:
        tmp.writelines(f"{postcode}\t{place}\n" for postcode, place in unique)
    umask = os.umask(0)
    os.umask(umask)
    os.chmod(tmp.name, 0o666 & ~umask)  # the temporary file is private; the table is not
    os.replace(tmp.name, output)

    postcodes = len({postcode for postcode, _ in unique})
    print(f"make-postcodes: {len(unique)} pairs ({postcodes} postcodes, {len(pairs) - len(unique)} duplicates dropped) -> {output}", file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv)
