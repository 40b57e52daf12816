"""Names every check of a CTest run that was skipped, and why: the test command's
last words, so that a check that could not run never reads as passed.

    skipped_checks.py JUNIT.xml...

A check gives its reasons in lines that begin with "SKIPPED: "; without one, the
reason is CTest's own."""

import sys
import xml.etree.ElementTree as ElementTree


def skipped(path):
    for case in ElementTree.parse(path).getroot().iter("testcase"):
        if case.get("status") not in ("notrun", "disabled"):
            continue
        output = case.findtext("system-out") or ""
        reasons = [line[len("SKIPPED: "):] for line in output.splitlines()
                   if line.startswith("SKIPPED: ")]
        if not reasons:
            marker = case.find("skipped")
            reasons = [marker.get("message") if marker is not None else "not run"]
        yield case.get("name"), reasons


def main(paths):
    found = [entry for path in paths for entry in skipped(path)]
    if not found:
        print("zelvis: no check was skipped")
        return 0
    print(f"zelvis: {len(found)} check{'s' if len(found) > 1 else ''} skipped, not passed:")
    for name, reasons in found:
        for reason in reasons:
            print(f"  {name}: {reason}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
