#!/usr/bin/env python3
"""Prints the name and the last lines of output of every test that failed in
the last CTest run of a build folder, so that a failure stands at the end of
a long log. Usage: failed_tests.py BUILD_DIR [LINES]"""
import pathlib
import re
import sys

folder = pathlib.Path(sys.argv[1]) / "Testing" / "Temporary"
lines = int(sys.argv[2]) if len(sys.argv) > 2 else 40
try:
    failed = (folder / "LastTestsFailed.log").read_text(errors="replace").split()
    log = (folder / "LastTest.log").read_text(errors="replace")
except OSError:
    sys.exit(0)
for entry in failed:
    name = entry.split(":", 1)[-1]
    print(f"failed in {sys.argv[1]}: {name}")
    match = re.search(r"Testing: %s\n.*?\nOutput:\n-+\n(.*?)<end of output>" % re.escape(name), log, re.S)
    if match:
        for line in match.group(1).rstrip("\n").splitlines()[-lines:]:
            print("    " + line)
