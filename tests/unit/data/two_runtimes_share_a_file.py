#!/usr/bin/python3
"""Two runtime processes on one file: while one holds it with FILEMODE $12
(read and write, no sharing), the other can neither open nor empty nor
delete it; once the first lets go, the second opens it.

Usage: two_runtimes_share_a_file.py TALVEN TALVENC
"""

import subprocess
import sys
import tempfile
from pathlib import Path

HOLDER = """REM holds the file without sharing until a line arrives on standard input
DECLARE z$
ASSIGN #1, "geteilt.dat"
FILEMODE $12
OPENBINARY #1
PRINT "offen", %IORESULT
INPUT z$
CLOSEBINARY #1
PRINT "zu"
"""

OTHER = """REM tries the file that the holder may have
ASSIGN #1, "GETEILT.DAT"
FILEMODE 0
OPENBINARY #1
PRINT %IORESULT, @FILESIZE(#1)
REWRITE #1
PRINT %IORESULT
ERASE #1
PRINT %IORESULT
"""


def compile_program(talvenc: str, folder: Path, name: str, source: str) -> None:
    (folder / f"{name}.tvs").write_text(source, encoding="utf-8")
    subprocess.run([talvenc, f"{name}.tvs"], cwd=folder, check=True)


def run_other(talven: str, folder: Path) -> str:
    done = subprocess.run([talven, "other"], cwd=folder, capture_output=True, timeout=10)
    if done.returncode != 0:
        raise SystemExit(f"other ended with {done.returncode}: {done.stderr!r}")
    return done.stdout.decode()


def main() -> int:
    talven, talvenc = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as name:
        folder = Path(name)
        compile_program(talvenc, folder, "holder", HOLDER)
        compile_program(talvenc, folder, "other", OTHER)
        (folder / "geteilt.dat").write_bytes(b"12345")
        holder = subprocess.Popen([talven, "holder"], cwd=folder, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            first = holder.stdout.readline().decode()
            if first != "offen 0\n":
                failures.append(f"holder said {first!r}")
            while_held = run_other(talven, folder)
            # OPENBINARY: 32 and nothing open; REWRITE: 32; ERASE: 32.
            if while_held != "32 0\n32\n32\n":
                failures.append(f"while held: {while_held!r}")
            if (folder / "geteilt.dat").read_bytes() != b"12345":
                failures.append("the held file changed")
            out, _ = holder.communicate(b"weiter\n", timeout=10)
            if holder.returncode != 0 or not out.decode().endswith("zu\n"):
                failures.append(f"holder ended with {holder.returncode}: {out!r}")
        finally:
            if holder.poll() is None:
                holder.kill()
                holder.wait()
        after = run_other(talven, folder)
        # Now the file opens; REWRITE empties it (the binary channel shares with
        # the text channel), and ERASE finds both channels still open.
        if after != "0 5\n0\n32\n":
            failures.append(f"after the holder ended: {after!r}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
