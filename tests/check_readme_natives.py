#!/usr/bin/env python3
"""Fails when the table of exports (docs/windows.md) differs from the build's list of natives.

    check_readme_natives.py DOCUMENT DECORATED...    (the 32-bit exports, as the build derives them)"""
import re
import sys


def main():
    document, expected = sys.argv[1], sys.argv[2:]
    with open(document, encoding="utf-8") as file:
        listed = re.findall(r"`(_Java_com_nq_odbc_ODBC_\w+@\d+)`", file.read())
    missing = sorted(set(expected) - set(listed))
    extra = sorted(set(listed) - set(expected))
    for name in missing:
        print(f"{document} does not list {name}")
    for name in extra:
        print(f"{document} lists {name}, which ODBC.java does not declare")
    if len(listed) != len(set(listed)):
        print(f"{document} lists an export twice")
    print(f"{len(expected)} natives, {len(missing) + len(extra)} differences")
    return 1 if missing or extra or len(listed) != len(set(listed)) else 0


if __name__ == "__main__":
    sys.exit(main())
