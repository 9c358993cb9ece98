#!/usr/bin/python3
"""Runs golden program tests of the TALVEN² runtime.

One test is one folder, tests/golden/<subsystem>/<behaviour>/:

  program.tvs       source, compiled by talvenc into the scratch folder as
                    program.TVC
  program.TVC.py    or: a Python script that writes the program file(s) into
                    the current folder (for damaged files; see tvcgen.py); it
                    finds the runtime and talvenc in $TALVEN and $TALVENC
  executable        optional: the program to run instead of talven, relative
                    to the scratch folder (a runtime with a bound program)
  args              optional: the command line after `talven`, split like a
                    shell does; default `program`; an empty file means no
                    parameter at all
  given/            optional: files copied into the scratch folder first
  helpers           optional: names of helper programs and libraries the
                    build makes for the tests (tests/helpers/), one a line,
                    copied from --helpers into the scratch folder: each file
                    there whose name before its first "." is the name
                    (tvtest: tvtest.so natively, tvtest.dll on Windows)
  stdin             optional: standard input (default: empty)
  answers.txt       optional: message-box answers, passed as TALVEN_ANSWERS
  env               optional: extra environment, one NAME=VALUE per line
  expected/stdout     exact bytes (absent: standard output must be empty)
  expected/stderr     lines that must appear in standard error, whole and in
                      this order (absent: standard error must be empty)
  expected/exit_code  the exit code (absent: 0)
  expected/files/     files the program must leave, compared byte by byte
  known/            optional, same layout as expected/: today's output where
                    we knowingly differ; it replaces the matching parts of
                    expected/. Once the program matches expected/ again the
                    test fails and says so, so that the known/ entry goes.

Each test runs in a fresh scratch folder (kept when the test fails) with
TZ=UTC, LANG=C.UTF-8, no inherited TALVEN_* variables and a 10 second limit;
the scratch folder is also the Windows directory (TALVEN_WINDIR), so a test
gives a WIN.INI in given/.

With --uncompiled the program runs with TALVEN_COMPILED=0: the runtime reads
every argument from its line's text each time instead of what it remembered
from the line's first run, and must give the same results. Such a run is named
golden/<subsystem>/<behaviour>/uncompiled and has scratch folders of its own.

With --listing the runner checks talvenc's lister instead: every valid program
file the test uses is listed, the listing compiled again, and the two files
must hold the same lines.

Exit status: 0 passed, 1 failed, 77 skipped (nothing to check).
"""

from __future__ import annotations

import argparse
import difflib
import os
import shlex
import shutil
import signal
import subprocess
import sys
from dataclasses import dataclass, field
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import tvcgen  # noqa: E402

TIMEOUT_SECONDS = 10
SKIP = 77
HELPERS: Path | None = None
UNCOMPILED = False


@dataclass
class Expectation:
    stdout: bytes | None = None          # None: must be empty
    stderr: list[str] | None = None      # None: must be empty
    exit_code: int = 0
    files: dict[str, bytes] = field(default_factory=dict)
    # which parts were given explicitly (a known/ folder overrides only these)
    given: set[str] = field(default_factory=set)


@dataclass
class Outcome:
    stdout: bytes
    stderr: bytes
    exit_code: int | None    # None: timed out
    scratch: Path


class TestError(Exception):
    """The test itself could not be set up (not a difference in output)."""


# --- reading a test ---------------------------------------------------------

def read_expectation(folder: Path) -> Expectation:
    e = Expectation()
    if not folder.is_dir():
        return e
    p = folder / "stdout"
    if p.exists():
        e.stdout = p.read_bytes()
        e.given.add("stdout")
    p = folder / "stderr"
    if p.exists():
        e.stderr = [ln for ln in p.read_text(encoding="utf-8").splitlines() if ln.strip()]
        e.given.add("stderr")
    p = folder / "exit_code"
    if p.exists():
        try:
            e.exit_code = int(p.read_text().strip())
        except ValueError:
            raise TestError(f"{p}: not a number")
        e.given.add("exit_code")
    files = folder / "files"
    if files.is_dir():
        for f in sorted(files.rglob("*")):
            if f.is_file():
                e.files[f.relative_to(files).as_posix()] = f.read_bytes()
    return e


def overlay(expected: Expectation, known: Expectation) -> Expectation:
    result = Expectation(
        stdout=known.stdout if "stdout" in known.given else expected.stdout,
        stderr=known.stderr if "stderr" in known.given else expected.stderr,
        exit_code=known.exit_code if "exit_code" in known.given else expected.exit_code,
        files=dict(expected.files),
        given=expected.given | known.given,
    )
    result.files.update(known.files)
    return result


def test_name(test: Path, root: Path) -> str:
    try:
        name = "golden/" + test.resolve().relative_to(root.resolve()).as_posix()
    except ValueError:
        name = "golden/" + test.name
    return name + "/uncompiled" if UNCOMPILED else name


def scratch_name(name: str) -> str:
    # Both runs of a test may run at once: the uncompiled one works beside,
    # not inside, the other's scratch folder.
    if name.endswith("/uncompiled"):
        return "uncompiled/" + name.removeprefix("golden/").removesuffix("/uncompiled")
    return name.removeprefix("golden/")


# --- running ----------------------------------------------------------------

def base_environment() -> dict[str, str]:
    env = {k: v for k, v in os.environ.items()
           if not k.startswith("TALVEN_") and not k.startswith("LC_") and k != "LANGUAGE"}
    env["TZ"] = "UTC"
    env["LANG"] = "C.UTF-8"
    return env


def run_process(argv: list[str], cwd: Path, env: dict[str, str], stdin: bytes,
                timeout: float | None = None) -> tuple[bytes, bytes, int | None]:
    """Runs argv; on timeout kills its whole process group and returns None."""
    proc = subprocess.Popen(argv, cwd=cwd, env=env, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            start_new_session=True)
    try:
        out, err = proc.communicate(stdin, timeout=timeout or TIMEOUT_SECONDS)
        return out, err, proc.returncode
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        out, err = proc.communicate()
        return out, err, None


def fresh_scratch(work: Path, name: str) -> Path:
    scratch = work / scratch_name(name)
    if scratch.exists():
        shutil.rmtree(scratch)
    scratch.mkdir(parents=True)
    return scratch


def compile_source(talvenc: str, source: Path, scratch: Path, env: dict[str, str],
                   target_stem: str = "program") -> Path:
    """Compiles `source` with talvenc into scratch/<target_stem>.TVC.

    The source is copied into the scratch folder and compiled there with
    talvenc's default output name (beside the source), then the copy is
    removed so that the program sees only what it would see in real use."""
    if not os.access(talvenc, os.X_OK):
        raise TestError(f"{talvenc} is missing (not built?)")
    copy = scratch / f"{target_stem}.tvs"
    shutil.copyfile(source, copy)
    out, err, code = run_process([talvenc, copy.name], scratch, env, b"")
    copy.unlink()
    target = scratch / f"{target_stem}.TVC"
    if code != 0 or not target.exists():
        raise TestError(f"talvenc failed on {source} (exit {code}):\n"
                        + err.decode("utf-8", "replace") + out.decode("utf-8", "replace"))
    return target


def prepare(test: Path, scratch: Path, talven: str, talvenc: str, env: dict[str, str]) -> None:
    source = test / "program.tvs"
    generator = test / "program.TVC.py"
    if source.exists() and generator.exists():
        raise TestError("a test has program.tvs or program.TVC.py, not both")
    if source.exists():
        compile_source(talvenc, source, scratch, env)
    elif generator.exists():
        genv = dict(env)
        genv["PYTHONPATH"] = str(Path(__file__).resolve().parent)
        genv["TALVEN"] = talven
        genv["TALVENC"] = talvenc
        out, err, code = run_process([sys.executable, str(generator.resolve())],
                                     scratch, genv, b"")
        if code != 0:
            raise TestError(f"{generator.name} failed (exit {code}):\n"
                            + err.decode("utf-8", "replace") + out.decode("utf-8", "replace"))
    else:
        raise TestError("no program.tvs or program.TVC.py")


def copy_helpers(test: Path, scratch: Path) -> None:
    wanted = test / "helpers"
    if not wanted.exists():
        return
    for name in wanted.read_text(encoding="utf-8").split():
        found = [f for f in (HELPERS.iterdir() if HELPERS and HELPERS.is_dir() else [])
                 if f.is_file() and f.name.split(".")[0] == name]
        if not found:
            raise TestError(f"helper {name} is missing in {HELPERS} (not built?)")
        for f in found:
            shutil.copy2(f, scratch / f.name)


def test_environment(test: Path, env: dict[str, str]) -> dict[str, str]:
    env = dict(env)
    answers = test / "answers.txt"
    if answers.exists():
        env["TALVEN_ANSWERS"] = str(answers.resolve())
    extra = test / "env"
    if extra.exists():
        for ln in extra.read_text(encoding="utf-8").splitlines():
            if ln.strip() and not ln.lstrip().startswith("#"):
                name, sep, value = ln.partition("=")
                if not sep:
                    raise TestError(f"{extra}: expected NAME=VALUE, got {ln!r}")
                env[name.strip()] = value
    return env


def command_line(test: Path) -> list[str]:
    args = test / "args"
    if not args.exists():
        return ["program"]
    return shlex.split(args.read_text(encoding="utf-8"))


def run_test(test: Path, scratch: Path, talven: str, talvenc: str) -> Outcome:
    env = base_environment()
    given = test / "given"
    if given.is_dir():
        shutil.copytree(given, scratch, dirs_exist_ok=True)
    copy_helpers(test, scratch)
    prepare(test, scratch, talven, talvenc, env)
    env["TALVEN_WINDIR"] = str(scratch)
    env = test_environment(test, env)
    if UNCOMPILED:
        env["TALVEN_COMPILED"] = "0"
    stdin_file = test / "stdin"
    stdin = stdin_file.read_bytes() if stdin_file.exists() else b""
    executable = talven
    named = test / "executable"
    if named.exists():
        executable = str(scratch / named.read_text(encoding="utf-8").strip())
    out, err, code = run_process([executable] + command_line(test), scratch, env, stdin)
    return Outcome(out, err, code, scratch)


# --- comparing ----------------------------------------------------------------

def show(data: bytes) -> list[str]:
    return data.decode("utf-8", "backslashreplace").splitlines(keepends=True)


def diff_text(expected: bytes, actual: bytes, what: str) -> str:
    lines = list(difflib.unified_diff(show(expected), show(actual),
                                      f"expected/{what}", f"actual {what}"))
    if not lines:   # differences that splitlines hides (line ends, a last newline)
        return f"  expected {expected!r}\n  actual   {actual!r}\n"
    return "".join(ln if ln.endswith("\n") else ln + "\n\\ no newline at end\n" for ln in lines)


def stderr_problem(expected: list[str] | None, actual: bytes) -> str | None:
    text = actual.decode("utf-8", "backslashreplace")
    if expected is None:
        if actual:
            return "standard error should be empty, but holds:\n" + indent(text)
        return None
    lines = [ln.rstrip("\r") for ln in text.split("\n")]
    pos = 0
    for want in expected:
        try:
            pos = lines.index(want, pos) + 1
        except ValueError:
            return (f"standard error lacks the line (in this order):\n  {want}\n"
                    "standard error was:\n" + indent(text or "(empty)\n"))
    return None


def indent(text: str) -> str:
    return "".join("  " + ln + "\n" for ln in text.splitlines())


def compare(e: Expectation, o: Outcome) -> list[str]:
    problems: list[str] = []
    if o.exit_code is None:
        problems.append(f"timed out after {TIMEOUT_SECONDS} s")
    elif o.exit_code != e.exit_code:
        got = (f"killed by signal {-o.exit_code}" if o.exit_code < 0
               else f"exit code {o.exit_code}")
        problems.append(f"expected exit code {e.exit_code}, got {got}")
    want_out = e.stdout if e.stdout is not None else b""
    if o.stdout != want_out:
        problems.append("standard output differs:\n" + diff_text(want_out, o.stdout, "stdout"))
    p = stderr_problem(e.stderr, o.stderr)
    if p:
        problems.append(p)
    for rel, want in e.files.items():
        f = o.scratch / rel
        if not f.is_file():
            problems.append(f"the program did not leave the file {rel}")
        elif f.read_bytes() != want:
            problems.append(f"file {rel} differs:\n"
                            + diff_text(want, f.read_bytes(), f"files/{rel}"))
    return problems


# --- one test -------------------------------------------------------------------

def golden(test: Path, root: Path, work: Path, talven: str, talvenc: str) -> bool:
    name = test_name(test, root)
    scratch = fresh_scratch(work, name)
    try:
        expected = read_expectation(test / "expected")
        known_dir = test / "known"
        known = read_expectation(known_dir) if known_dir.is_dir() else None
        outcome = run_test(test, scratch, talven, talvenc)
    except TestError as e:
        print(f"FAIL {name}: {e}\nscratch kept in {scratch}")
        return False

    if known is None:
        problems = compare(expected, outcome)
        if not problems:
            shutil.rmtree(scratch, ignore_errors=True)
            print(f"PASS {name}")
            return True
    else:
        if not compare(expected, outcome):
            print(f"FAIL {name}: the program now behaves as expected/ says: "
                  f"remove {known_dir}\nscratch kept in {scratch}")
            return False
        problems = compare(overlay(expected, known), outcome)
        if not problems:
            shutil.rmtree(scratch, ignore_errors=True)
            print(f"PASS {name} (knowingly differs from expected/, see known/)")
            return True

    print(f"FAIL {name}:")
    for p in problems:
        print("- " + p.rstrip("\n"))
    if outcome.stderr and not any("standard error" in p for p in problems):
        print("standard error was:\n" + indent(outcome.stderr.decode("utf-8", "backslashreplace")))
    print(f"scratch kept in {scratch}")
    return False


# --- the lister -------------------------------------------------------------------

def listing(test: Path, root: Path, work: Path, talven: str, talvenc: str) -> int:
    """Lists every valid program file of the test, compiles the listing and
    compares the lines of both files. Returns 0, 1 or SKIP."""
    name = test_name(test, root).replace("golden/", "listing/", 1)
    scratch = fresh_scratch(work, name)
    env = base_environment()
    try:
        prepare(test, scratch, talven, talvenc, env)
        candidates = []
        for f in sorted(p for p in scratch.rglob("*") if p.is_file()):
            try:
                candidates.append((f, tvcgen.read_program(f.read_bytes())))
            except tvcgen.LoadError:
                pass
        if not candidates:
            shutil.rmtree(scratch, ignore_errors=True)
            print(f"SKIP {name}: no valid program file to list")
            return SKIP
        problems = []
        for i, (f, lines) in enumerate(candidates):
            out, err, code = run_process([talvenc, "--list", str(f)], scratch, env, b"",
                                         timeout=60)
            if code != 0:
                problems.append(f"talvenc --list {f.name} failed (exit {code}):\n"
                                + indent(err.decode("utf-8", "replace")))
                continue
            stem = f"relisted{i}"
            (scratch / f"{stem}.source").write_bytes(out)
            try:
                again = compile_source(talvenc, scratch / f"{stem}.source", scratch, env, stem)
            except TestError as e:
                problems.append(f"the listing of {f.name} does not compile: {e}")
                continue
            relisted = tvcgen.read_program(again.read_bytes())
            if relisted != lines:
                problems.append(f"the listing of {f.name} compiles to other lines:\n"
                                + line_diff(lines, relisted))
    except TestError as e:
        print(f"FAIL {name}: {e}\nscratch kept in {scratch}")
        return 1
    if problems:
        print(f"FAIL {name}:")
        for p in problems:
            print("- " + p.rstrip("\n"))
        print(f"scratch kept in {scratch}")
        return 1
    shutil.rmtree(scratch, ignore_errors=True)
    print(f"PASS {name} ({len(candidates)} file(s))")
    return 0


def line_diff(a: list[bytes], b: list[bytes]) -> str:
    if len(a) != len(b):
        head = f"  {len(a)} lines before, {len(b)} after\n"
    else:
        head = ""
    for n, (x, y) in enumerate(zip(a, b), start=1):
        if x != y:
            return head + f"  first difference in line {n}:\n    {x!r}\n    {y!r}\n"
    return head


def set_timeout(seconds: float) -> None:
    global TIMEOUT_SECONDS
    TIMEOUT_SECONDS = seconds


def set_uncompiled(on: bool) -> None:
    global UNCOMPILED
    UNCOMPILED = on


def set_helpers(folder: Path | None) -> None:
    global HELPERS
    HELPERS = folder.resolve() if folder else None


# --- command line -------------------------------------------------------------------

def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--talven", required=True, help="the runtime executable")
    ap.add_argument("--talvenc", required=True, help="the developer tool")
    ap.add_argument("--work", default=None,
                    help="where scratch folders go (default: ./golden-scratch)")
    ap.add_argument("--timeout", type=float, default=None,
                    help=f"seconds a program may run (default: {TIMEOUT_SECONDS})")
    ap.add_argument("--helpers", type=Path, default=None,
                    help="where the build put the tests' helper programs")
    ap.add_argument("--listing", action="store_true",
                    help="check that talvenc --list round-trips the test's programs")
    ap.add_argument("--uncompiled", action="store_true",
                    help="run with TALVEN_COMPILED=0 (every argument read from its text)")
    ap.add_argument("tests", nargs="+", type=Path, help="test folders")
    a = ap.parse_args()
    if a.timeout:
        set_timeout(a.timeout)
    set_helpers(a.helpers)
    set_uncompiled(a.uncompiled and not a.listing)

    root = Path(__file__).resolve().parent
    work = Path(a.work).resolve() if a.work else Path.cwd() / "golden-scratch"
    talven = str(Path(a.talven).resolve())
    talvenc = str(Path(a.talvenc).resolve())
    # talvenc is checked when a test needs it: damaged-file tests run without it.
    for exe in ([talvenc] if a.listing else [talven]):
        if not os.access(exe, os.X_OK):
            print(f"FAIL: {exe} is missing (not built?)")
            return 1

    results = []
    for test in a.tests:
        if a.listing:
            results.append(listing(test, root, work, talven, talvenc))
        else:
            results.append(0 if golden(test, root, work, talven, talvenc) else 1)
    if len(results) > 1:
        passed = results.count(0)
        failed = results.count(1)
        print(f"{passed} passed, {failed} failed" + (f", {results.count(SKIP)} skipped"
                                                     if SKIP in results else ""))
    if 1 in results:
        return 1
    if results and all(r == SKIP for r in results):
        return SKIP
    return 0


if __name__ == "__main__":
    sys.exit(main())
