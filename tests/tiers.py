#!/usr/bin/python3
"""The test tiers hold: every test of the build folder carries exactly one tier among its
CTest labels (the Windows build's wine label beside it), and every unit test runs with no
display: the last word on DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM in its environment
is to unset them, so a unit test that opened a window would fail wherever it runs.

    tiers.py BUILD_DIR TIER...
"""
import json
import subprocess
import sys

NO_DISPLAY = ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")


def property_of(test, name):
    return next((p["value"] for p in test.get("properties", []) if p["name"] == name), [])


def last_operation(modifications, variable):
    """The operation of the last ENVIRONMENT_MODIFICATION entry for the variable, if any."""
    operations = [m.split("=", 1)[1].split(":", 1)[0] for m in modifications if m.split("=", 1)[0] == variable]
    return operations[-1] if operations else None


def problems(tests, tiers):
    found = []
    for test in tests:
        name = test["name"]
        labels = property_of(test, "LABELS")
        own = [label for label in labels if label in tiers and label != "wine"]
        if len(own) != 1:
            found.append("%s has %s tiers among its labels %s" % (name, len(own) or "no", labels))
        if "unit" in own:
            given = [v for v in NO_DISPLAY if last_operation(property_of(test, "ENVIRONMENT_MODIFICATION"), v) != "unset"]
            if given:
                found.append("unit test %s may be given a display: %s not unset" % (name, ", ".join(given)))
    return found


def main():
    build, tiers = sys.argv[1], sys.argv[2:]
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, capture_output=True, text=True, check=True)
    tests = json.loads(listing.stdout)["tests"]
    if not tests:
        print("FAIL: ctest lists no tests in " + build)
        return 1
    found = problems(tests, tiers)
    for problem in found:
        print("FAIL: " + problem)
    if not found:
        print("PASS: %d tests, each of one tier; the unit tier has no display" % len(tests))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
