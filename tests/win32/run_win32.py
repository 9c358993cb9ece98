#!/usr/bin/python3
"""Runs program tests on the Win32 host under Wine.

A test folder has the layout of the golden tests (see
tests/golden/run_golden.py) and may add:

  actions           what the test driver does as the user, one action a line
                    (the full list is in driver.cpp)
  dde_server        the application name the driver answers to as a DDE server
                    (its hidden window is titled "DDE-Server " and the name)
  printed           the documents it prints, read back (see printed_pages.py)

The program is compiled with the native talvenc, then the test driver starts
talven.exe under Wine with TALVEN_STREAM=1, so that the program's text output
and its message boxes reach the standard handles as on the console host. The
driver types `stdin` into the main window, answers the boxes from
`answers.txt`, and plays `actions`. Expected output, standard error lines,
exit code and files are compared as the golden runner compares them.

No action waits for a time. One that must come after something the program
does waits for the program to show it: `line TEXT` for a line on its output
stream, `window` for the main window, `caret` for INPUT waiting, `file NAME`
for a file; `invalidate` waits until the window has been painted, and
`f1 down` holds F1 until `f1 up`. Where the program cannot show the state a
test needs, the program waits for it (a loop until %COMMAND is set, say).

The display and the Wine prefix come from the environment (DISPLAY,
WINEPREFIX, TALVEN_WINE), as scripts/wine-env.sh sets them.

Exit status: 0 passed, 1 failed, 77 skipped (listed in the skip file).
"""

from __future__ import annotations

import argparse
import os
import shutil
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "golden"))
sys.path.insert(0, str(Path(__file__).resolve().parent))
import printed_pages  # noqa: E402
import run_golden as rg  # noqa: E402

WINE_TIMEOUT_SECONDS = 40
DRIVER_TIMEOUT_SECONDS = 25


def windows_path(path: Path | str) -> str:
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def run_test(test: Path, scratch: Path, args) -> rg.Outcome:
    env = rg.base_environment()
    given = test / "given"
    if given.is_dir():
        shutil.copytree(given, scratch, dirs_exist_ok=True)
    rg.copy_helpers(test, scratch)
    rg.prepare(test, scratch, args.talven, args.talvenc, env)
    env = rg.test_environment(test, env)
    env.pop("TALVEN_ANSWERS", None)
    env["TALVEN_STREAM"] = "1"
    # Wine's code pages and number formats follow the locale: the runtime's
    # home is German.
    env["LANG"] = "de_DE.UTF-8"
    env["LC_ALL"] = "de_DE.UTF-8"
    for name in ("DISPLAY", "WINEPREFIX", "WINEDEBUG", "WINESERVER", "WINEDLLOVERRIDES"):
        if name in os.environ:
            env[name] = os.environ[name]
    driver = [os.environ.get("TALVEN_WINE", "/usr/lib/wine/wine64"), args.driver,
              "--timeout", str(DRIVER_TIMEOUT_SECONDS)]
    for option, name in (("--stdin", "stdin"), ("--answers", "answers.txt"), ("--actions", "actions")):
        if (test / name).exists():
            driver += [option, windows_path(test / name)]
    dde = test / "dde_server"
    if dde.exists():
        driver += ["--dde-server", dde.read_text(encoding="utf-8").strip()]
    executable = args.talven
    named = test / "executable"
    if named.exists():
        executable = str(scratch / named.read_text(encoding="utf-8").strip())
    driver += ["--", windows_path(executable)] + rg.command_line(test)
    out, err, code = rg.run_process(driver, scratch, env, b"", timeout=WINE_TIMEOUT_SECONDS)
    return rg.Outcome(out, without_wine_notes(err), code, scratch)


# What Wine itself says on standard error when the shell of a file or folder
# dialog looks at a drive that maps the host's root.
WINE_NOTES = (b"wine: Read access denied for device ",)


def without_wine_notes(err: bytes) -> bytes:
    lines = err.splitlines(keepends=True)
    return b"".join(ln for ln in lines if not ln.startswith(WINE_NOTES))


def skipped(test: Path, skip_file: Path | None) -> bool:
    if not skip_file or not skip_file.exists():
        return False
    name = f"{test.parent.name}/{test.name}"
    for line in skip_file.read_text(encoding="utf-8").splitlines():
        line = line.split("#", 1)[0].strip()
        if line and line == name:
            return True
    return False


def one(test: Path, args) -> int:
    name = f"{test.parent.name}/{test.name}"
    if skipped(test, args.skip):
        print(f"SKIP {name} (console-only)")
        return rg.SKIP
    scratch = rg.fresh_scratch(Path(args.work), name)
    try:
        expected = rg.read_expectation(test / "expected")
        known_dir = test / "known"
        if known_dir.is_dir():
            expected = rg.overlay(expected, rg.read_expectation(known_dir))
        printed = test / "printed"
        before = printed_pages.snapshot()
        outcome = run_test(test, scratch, args)
    except rg.TestError as e:
        print(f"FAIL {name}: {e}\nscratch kept in {scratch}")
        return 1
    problems = rg.compare(expected, outcome)
    if printed.exists():
        problems += printed_pages.check(printed, before)
    if not problems:
        shutil.rmtree(scratch, ignore_errors=True)
        print(f"PASS {name}")
        return 0
    print(f"FAIL {name}:")
    for p in problems:
        print("- " + p.rstrip("\n"))
    if outcome.stderr:
        print("standard error was:\n" + rg.indent(outcome.stderr.decode("utf-8", "backslashreplace")))
    print(f"scratch kept in {scratch}")
    return 1


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--talven", required=True, help="talven.exe")
    ap.add_argument("--talvenc", required=True, help="the native talvenc")
    ap.add_argument("--driver", required=True, help="tvdriver.exe")
    ap.add_argument("--work", required=True, help="scratch folder")
    ap.add_argument("--skip", type=Path, default=None, help="tests that need the console host")
    ap.add_argument("--helpers", type=Path, default=None, help="the tests' helper programs")
    ap.add_argument("tests", nargs="+", type=Path)
    args = ap.parse_args()
    rg.set_helpers(args.helpers)
    args.talvenc = str(Path(args.talvenc).resolve())
    if not os.access(args.talvenc, os.X_OK):
        print(f"run_win32: no native talvenc at {args.talvenc}; build the native preset first, "
              "or configure this build with -DTALVEN_NATIVE_TALVENC=<path to talvenc>")
        return 1
    if "DISPLAY" not in os.environ or "WINEPREFIX" not in os.environ:
        print("run_win32: no DISPLAY or WINEPREFIX; run through scripts/wine-env.sh")
        return 1
    results = [one(t.resolve(), args) for t in args.tests]
    if any(r == 1 for r in results):
        return 1
    if all(r == rg.SKIP for r in results):
        return rg.SKIP
    return 0


if __name__ == "__main__":
    sys.exit(main())
