#!/usr/bin/env python3
"""Fails when README's table of exports differs from the build's list of natives.

    check_readme_natives.py README DECORATED...    (the 32-bit exports, as the build derives them)"""
import re
import sys


def main():
    readme, expected = sys.argv[1], sys.argv[2:]
    with open(readme, encoding="utf-8") as file:
        listed = re.findall(r"`(_Java_com_nq_odbc_ODBC_\w+@\d+)`", file.read())
    missing = sorted(set(expected) - set(listed))
    extra = sorted(set(listed) - set(expected))
    for name in missing:
        print(f"README does not list {name}")
    for name in extra:
        print(f"README lists {name}, which ODBC.java does not declare")
    if len(listed) != len(set(listed)):
        print("README lists an export twice")
    print(f"{len(expected)} natives, {len(missing) + len(extra)} differences")
    return 1 if missing or extra or len(listed) != len(set(listed)) else 0


if __name__ == "__main__":
    sys.exit(main())
