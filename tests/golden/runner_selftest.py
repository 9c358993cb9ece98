#!/usr/bin/python3
"""Checks that run_golden.py fails when it should.

A runner that passes everything would hide every fault of the runtime, so
each case here gives the runner a test folder and a stand-in runtime (a small
script that prints what the case tells it to) and checks the verdict.
"""

from __future__ import annotations

import os
import stat
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
RUNNER = HERE / "run_golden.py"

# The stand-in runtime: does what the file "behaviour" in its folder says.
FAKE_RUNTIME = textwrap.dedent("""\
    #!/usr/bin/python3
    import os, sys, time
    spec = {}
    with open("behaviour") as f:
        exec(f.read(), spec)
    spec.get("before", lambda: None)()
    sys.stdout.buffer.write(spec.get("out", b""))
    sys.stderr.buffer.write(spec.get("err", b""))
    for name, data in spec.get("files", {}).items():
        with open(name, "wb") as f:
            f.write(data)
    sys.stdout.flush()
    if spec.get("sleep"):
        time.sleep(spec["sleep"])
    sys.exit(spec.get("code", 0))
    """)


class Runner(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = Path(self.tmp.name)
        self.runtime = self.root / "talven"
        self.runtime.write_text(FAKE_RUNTIME)
        self.runtime.chmod(self.runtime.stat().st_mode | stat.S_IEXEC)

    def tearDown(self):
        self.tmp.cleanup()

    def make_test(self, behaviour: str, expected: dict[str, bytes | str],
                  known: dict[str, bytes | str] | None = None,
                  extra: dict[str, str] | None = None) -> Path:
        test = self.root / "tests" / "core" / "case"
        test.mkdir(parents=True)
        # The generator hands the behaviour to the stand-in runtime.
        (test / "program.TVC.py").write_text(
            f"open('behaviour', 'w').write({behaviour!r})\n")
        for folder, files in (("expected", expected), ("known", known or {})):
            for rel, data in files.items():
                p = test / folder / rel
                p.parent.mkdir(parents=True, exist_ok=True)
                p.write_bytes(data if isinstance(data, bytes) else data.encode())
        for rel, text in (extra or {}).items():
            (test / rel).write_text(text)
        return test

    def verdict(self, test: Path, *options: str) -> tuple[int, str]:
        r = subprocess.run([sys.executable, str(RUNNER), "--talven", str(self.runtime),
                            "--talvenc", "/nonexistent", "--timeout", "2", "--work", str(self.root / "work"),
                            *options, str(test)], capture_output=True, text=True, timeout=60)
        return r.returncode, r.stdout + r.stderr

    def assert_passes(self, test: Path, *options: str):
        code, out = self.verdict(test, *options)
        self.assertEqual(code, 0, out)
        return out

    def assert_fails(self, test: Path, why: str):
        code, out = self.verdict(test)
        self.assertEqual(code, 1, out)
        self.assertIn(why, out)

    # --- exit code and standard output

    def test_matching_output_passes(self):
        self.assert_passes(self.make_test("out = b'hello\\n'; code = 2",
                                          {"stdout": "hello\n", "exit_code": "2\n"}))

    def test_wrong_exit_code_fails(self):
        self.assert_fails(self.make_test("code = 1", {"exit_code": "2\n"}),
                          "expected exit code 2, got exit code 1")

    def test_missing_exit_code_means_0(self):
        self.assert_fails(self.make_test("code = 3", {}), "expected exit code 0")

    def test_stdout_differs_in_last_newline(self):
        self.assert_fails(self.make_test("out = b'hello'", {"stdout": "hello\n"}),
                          "standard output differs")

    def test_stray_stdout_fails_when_none_expected(self):
        self.assert_fails(self.make_test("out = b'x'", {}), "standard output differs")

    # --- standard error

    def test_stderr_lines_in_order_among_others(self):
        self.assert_passes(self.make_test("err = b'noise\\n[error] a | b\\nmore\\n[info] c | d\\n'",
                                          {"stderr": "[error] a | b\n[info] c | d\n"}))

    def test_stderr_lines_out_of_order_fail(self):
        self.assert_fails(self.make_test("err = b'[info] c | d\\n[error] a | b\\n'",
                                         {"stderr": "[error] a | b\n[info] c | d\n"}),
                          "lacks the line")

    def test_stderr_line_must_match_whole(self):
        self.assert_fails(self.make_test("err = b'[error] a | b and more\\n'",
                                         {"stderr": "[error] a | b\n"}),
                          "lacks the line")

    def test_stray_stderr_fails_when_none_expected(self):
        self.assert_fails(self.make_test("err = b'[warning] x | y\\n'", {}),
                          "standard error should be empty")

    # --- files

    def test_file_left_behind_compared_bytewise(self):
        self.assert_passes(self.make_test("files = {'out.txt': b'a\\r\\n'}",
                                          {"files/out.txt": b"a\r\n"}))
        test = self.root / "tests"
        import shutil
        shutil.rmtree(test)
        self.assert_fails(self.make_test("files = {'out.txt': b'a\\n'}",
                                         {"files/out.txt": b"a\r\n"}), "file out.txt differs")

    def test_missing_file_fails(self):
        self.assert_fails(self.make_test("", {"files/out.txt": "a"}),
                          "did not leave the file out.txt")

    # --- known differences

    def test_known_difference_passes(self):
        self.assert_passes(self.make_test("code = 2", {"exit_code": "0\n"},
                                          known={"exit_code": "2\n"}))

    def test_known_difference_that_is_gone_fails(self):
        self.assert_fails(self.make_test("code = 0", {"exit_code": "0\n"},
                                         known={"exit_code": "2\n"}),
                          "now behaves as expected/ says")

    def test_known_difference_other_than_recorded_fails(self):
        self.assert_fails(self.make_test("code = 3", {"exit_code": "0\n"},
                                         known={"exit_code": "2\n"}),
                          "expected exit code 2")

    # --- running

    def test_timeout_fails(self):
        self.assert_fails(self.make_test("sleep = 30", {}), "timed out")

    def test_environment_and_arguments(self):
        behaviour = textwrap.dedent("""\
            import os, sys
            want = {"TZ": "UTC", "LANG": "C.UTF-8", "X_EXTRA": "a=b"}
            ok = all(os.environ.get(k) == v for k, v in want.items())
            ok = ok and os.environ.get("TALVEN_ANSWERS", "").endswith("answers.txt")
            ok = ok and "TALVEN_LEFTOVER" not in os.environ and "LC_ALL" not in os.environ
            ok = ok and sys.argv[1:] == ["prog", "two words"]
            ok = ok and sys.stdin.buffer.read() == b"typed\\n"
            code = 0 if ok else 9
            """)
        test = self.make_test(behaviour, {}, extra={
            "args": "prog 'two words'\n", "stdin": "typed\n",
            "answers.txt": "OK\n", "env": "X_EXTRA=a=b\n"})
        os.environ["TALVEN_LEFTOVER"] = "1"
        os.environ["LC_ALL"] = "de_DE.UTF-8"
        try:
            self.assert_passes(test)
        finally:
            del os.environ["TALVEN_LEFTOVER"]
            del os.environ["LC_ALL"]

    def test_uncompiled_run_has_the_switch_and_its_own_name(self):
        test = self.make_test("import os; code = 0 if os.environ.get('TALVEN_COMPILED') == '0' else 9", {})
        out = self.assert_passes(test, "--uncompiled")
        self.assertIn("PASS golden/case/uncompiled", out)
        self.assert_fails(test, "expected exit code 0, got exit code 9")
        os.environ["TALVEN_COMPILED"] = "0"
        try:
            self.assert_fails(test, "expected exit code 0, got exit code 9")
        finally:
            del os.environ["TALVEN_COMPILED"]

    def test_failed_generator_fails(self):
        test = self.make_test("", {})
        (test / "program.TVC.py").write_text("raise SystemExit(3)\n")
        self.assert_fails(test, "program.TVC.py failed")

    def test_scratch_kept_on_failure_only(self):
        self.assert_passes(self.make_test("", {}))
        self.assertFalse((self.root / "work" / "case").exists())
        import shutil
        shutil.rmtree(self.root / "tests")
        self.assert_fails(self.make_test("code = 1", {}), "scratch kept in")
        self.assertTrue((self.root / "work" / "case" / "behaviour").exists())


if __name__ == "__main__":
    unittest.main()
