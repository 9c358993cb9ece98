#!/usr/bin/python3
"""Types keys into a program on a terminal (a detached tmux pane): special
keys arrive as their virtual-key codes, F1 also queues the help key, and
INPUT echoes typed characters and takes back a backspaced one. Exit status 0
passed, 1 failed, 77 skipped (no tmux).

usage: terminal_keys_check.py TALVEN TALVENC
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAM = """\
DECLARE N$
WAITSCAN
PRINT "vk "; %VIRTKEY; " "; %WAITKEY
WAITSCAN
PRINT "vk "; %VIRTKEY; " "; %WAITKEY
WAITSCAN
PRINT "vk "; %VIRTKEY
WAITSCAN
PRINT "vk "; %VIRTKEY
WAITSCAN
PRINT "vk "; %VIRTKEY
INPUT N$
PRINT "["; N$; "]"
"""

EXPECTED_ROWS = {
    1: "vk 38 0",
    2: "vk 112 5",
    3: "vk 35",
    4: "vk 34",
    5: "vk 116",
    6: "abd",
    7: "[abd]",
}


def wait_for(path: str, seconds: float) -> bool:
    for _ in range(int(seconds / 0.05)):
        if os.path.exists(path):
            return True
        time.sleep(0.05)
    return False


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
        with open(os.path.join(work, "keys.tvs"), "w", encoding="utf-8") as f:
            f.write(PROGRAM)
        subprocess.run([talvenc, "keys.tvs"], cwd=work, check=True, stdout=subprocess.DEVNULL)
        socket = f"talven-keys-{os.getpid()}"
        done = os.path.join(work, "done")
        command = f"cd {work} && {talven} keys; echo $? > {done}.code; touch {done}; sleep 60"
        subprocess.run([tmux, "-L", socket, "new-session", "-d", "-x", "100", "-y", "40", command], check=True)

        def send(*keys: str) -> None:
            subprocess.run([tmux, "-L", socket, "send-keys", "-t", "0", *keys], check=True)
            time.sleep(0.3)

        try:
            time.sleep(0.5)
            send("Up")
            send("F1")
            send("End")
            send("NPage")
            send("F5")
            send("a", "b", "c")
            send("BSpace")
            send("d", "Enter")
            if not wait_for(done, 5):
                print("the program did not end")
                return 1
            plain = subprocess.run([tmux, "-L", socket, "capture-pane", "-p", "-t", "0"], check=True,
                                   capture_output=True, text=True).stdout.split("\n")
        finally:
            subprocess.run([tmux, "-L", socket, "kill-server"], check=False)
    failures = []
    for row, text in EXPECTED_ROWS.items():
        got = plain[row - 1].rstrip() if row - 1 < len(plain) else ""
        if got != text:
            failures.append(f"row {row}: expected {text!r}, got {got!r}")
    for f in failures:
        print(f)
    if failures:
        print("\n".join(plain))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
