"""Prints each skipped test of a CTest JUnit file with what it printed: CTest's
own output names a skipped test but never shows why it was skipped."""
import sys
import xml.etree.ElementTree as ElementTree


def skipped(junit_file):
    """(name, output) of each test that did not run, in file order."""
    for case in ElementTree.parse(junit_file).getroot().iter("testcase"):
        if case.find("skipped") is not None:
            yield case.get("name", "?"), (case.findtext("system-out") or "").rstrip("\n")


def main(junit_file):
    for name, output in skipped(junit_file):
        print(f"skipped: {name}")
        for line in output.splitlines() or ["(it printed nothing)"]:
            print(f"    {line}")


if __name__ == "__main__":
    main(sys.argv[1])
