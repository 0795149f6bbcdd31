#!/usr/bin/env python3
"""How many tests passed, failed and were skipped, per label, over ctest runs.

    summarize_labels.py BUILD_FOLDER...

Each folder holds a ctest run's JUnit report (junit.xml, from
--output-junit); the labels come from ctest's own listing of the folder.
Prints a line per label and, last, the totals; exits 1 when a test failed
or a folder has no report."""
import collections
import json
import subprocess
import sys
import xml.etree.ElementTree as ElementTree


def labels_of(build):
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, capture_output=True, text=True,
                             check=True)
    labels = {}
    for test in json.loads(listing.stdout)["tests"]:
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        labels[test["name"]] = properties.get("LABELS") or ["(none)"]
    return labels


def outcome(case):
    if case.find("failure") is not None or case.find("error") is not None or case.get("status") == "fail":
        return "failed"
    if case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
        return "skipped"
    return "passed"


def main():
    counts = collections.defaultdict(collections.Counter)
    totals = collections.Counter()
    missing = []
    for build in sys.argv[1:]:
        try:
            cases = ElementTree.parse(f"{build}/junit.xml").getroot().iter("testcase")
        except (OSError, ElementTree.ParseError):
            missing.append(build)
            continue
        labels = labels_of(build)
        for case in cases:
            result = outcome(case)
            totals[result] += 1
            for label in labels.get(case.get("name"), ["(none)"]):
                counts[label][result] += 1
    print("Tests per label (" + ", ".join(sys.argv[1:]) + "):")
    for label in sorted(counts):
        c = counts[label]
        print(f"  {label:10} {c['passed']} passed, {c['failed']} failed, {c['skipped']} skipped")
    for build in missing:
        print(f"no test report in {build}")
    print(f"{totals['passed']} passed, {totals['failed']} failed, {totals['skipped']} skipped")
    return 1 if totals["failed"] or missing else 0


if __name__ == "__main__":
    sys.exit(main())
