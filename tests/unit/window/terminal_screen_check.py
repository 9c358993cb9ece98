#!/usr/bin/python3
"""Runs a program on a terminal (a detached tmux pane) and checks what the
console host shows there: cursor positioning, colours, a TBOX frame and
scrolling. Exit status 0 passed, 1 failed, 77 skipped (no tmux).

usage: terminal_screen_check.py TALVEN TALVENC
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAM = """\
CLS
COLOR 15, 1
PRINT "Titel"
COLOR 0, 15
TBOX 3, 10 - 7, 40; 1
PRINT "im Kasten"
LOCATE 20, 5
COLOR 4, 14
PRINT "rot auf gelb"
COLOR 0, 15
LOCATE 32, 1
PRINT "unten 1"
PRINT "unten 2"
PRINT "ende";
"""

# The two lines printed from the last row scroll the screen up twice: the
# title row and the empty row 2 leave it, everything else moves up two rows.
EXPECTED_ROWS = {
    1: " " * 9 + "\u2554" + "\u2550" * 29 + "\u2557",
    2: " " * 9 + "\u2551" + "im Kasten".ljust(29) + "\u2551",
    3: " " * 9 + "\u2551" + " " * 29 + "\u2551",
    5: " " * 9 + "\u255a" + "\u2550" * 29 + "\u255d",
    6: "",
    18: "    rot auf gelb",
    30: "unten 1",
    31: "unten 2",
    32: "ende",
}

# Palette entry 4 on entry 14.
RED_ON_YELLOW = "\x1b[38;2;136;0;0m\x1b[48;2;255;255;0mrot auf gelb"


def main() -> int:
    if len(sys.argv) != 3:
        print(__doc__)
        return 1
    talven, talvenc = (os.path.abspath(p) for p in sys.argv[1:])
    tmux = shutil.which("tmux")
    if not tmux:
        print("tmux is not installed: skipped")
        return 77
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "demo.tvs"), "w", encoding="utf-8") as f:
            f.write(PROGRAM)
        subprocess.run([talvenc, "demo.tvs"], cwd=work, check=True, stdout=subprocess.DEVNULL)
        socket = f"talven-screen-{os.getpid()}"
        done = os.path.join(work, "done")
        command = f"cd {work} && {talven} demo; touch {done}; sleep 60"
        subprocess.run([tmux, "-L", socket, "new-session", "-d", "-x", "100", "-y", "40", command], check=True)
        try:
            for _ in range(100):
                if os.path.exists(done):
                    break
                time.sleep(0.05)
            else:
                print("the program did not end")
                return 1
            plain = subprocess.run([tmux, "-L", socket, "capture-pane", "-p", "-t", "0"], check=True,
                                   capture_output=True, text=True).stdout.split("\n")
            coloured = subprocess.run([tmux, "-L", socket, "capture-pane", "-p", "-e", "-t", "0"], check=True,
                                      capture_output=True, text=True).stdout
        finally:
            subprocess.run([tmux, "-L", socket, "kill-server"], check=False)
    failures = []
    for row, text in EXPECTED_ROWS.items():
        got = plain[row - 1].rstrip() if row - 1 < len(plain) else ""
        if got != text:
            failures.append(f"row {row}: expected {text!r}, got {got!r}")
    if RED_ON_YELLOW not in coloured:
        failures.append("'rot auf gelb' is not shown in palette colours 4 on 14")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
