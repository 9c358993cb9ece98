#!/usr/bin/python3
"""NDX files written by the runtime are read with Perl's XBase index reader:
the keys come in order, every record is there once, each key is the value
its record holds, and equal keys keep the order in which they were given.

A table with two indexes (a character and a numeric one) takes appends,
changed keys and deletions with both indexes attached, is packed and
indexed again; after each phase XBase walks both files and the runtime's
own indexed walk must agree with it.

Usage: ndx_interop.py TALVEN TALVENC [RECORDS]
"""

from __future__ import annotations

import os
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ENCODING = "cp1252"
NAME_LENGTH = 20


class Failure(Exception):
    pass


def check(condition: bool, what: str) -> None:
    if not condition:
        raise Failure(what)


class Runtime:
    def __init__(self, talven: str, talvenc: str, work: Path):
        self.talven = talven
        self.work = work
        subprocess.run([talvenc, str(HERE / "ndx_driver.tvs"), "-o", str(work / "driver.TVC")],
                       check=True, stdout=subprocess.DEVNULL)

    def run(self, ops: list[str]) -> list[str]:
        (self.work / "ndx_ops.txt").write_bytes(("\r\n".join(ops) + "\r\n").encode(ENCODING))
        env = dict(os.environ, TALVEN_FIXED_TIME="2024-03-09 10:00:00")
        env.pop("TALVEN_ANSWERS", None)
        done = subprocess.run([self.talven, "driver"], cwd=self.work, env=env, capture_output=True, timeout=900)
        if done.returncode != 0 or done.stderr:
            raise Failure(f"runtime ended with {done.returncode}: {done.stderr.decode(errors='replace')}")
        return done.stdout.decode("utf-8").splitlines()


class Model:
    """The table as the test wrote it, and for each index the time at
    which each record's present key was given (equal keys come back in
    that order)."""

    def __init__(self) -> None:
        self.names: list[str] = []
        self.amounts: list[int | None] = []   # hundredths; None: blank field
        self.deleted: list[bool] = []
        self.given = {"NAME": [], "MENGE": []}
        self.clock = 0

    def tick(self) -> int:
        self.clock += 1
        return self.clock

    def name_key(self, r: int) -> bytes:
        return self.names[r].encode(ENCODING)[:NAME_LENGTH].ljust(NAME_LENGTH, b" ")

    def amount_key(self, r: int) -> float:
        a = self.amounts[r]
        return 0.0 if a is None else float(amount_text(a))

    def key(self, index: str, r: int):
        return self.name_key(r) if index == "NAME" else self.amount_key(r)

    def expected_order(self, index: str) -> list[int]:
        order = sorted(range(len(self.names)), key=lambda r: (self.key(index, r), self.given[index][r]))
        return [r + 1 for r in order]


def amount_text(hundredths: int) -> str:
    return f"{hundredths / 100:10.2f}"


def name_for(i: int) -> str:
    return f"Kunde {i % 700} {'ÄÖÜäöüßé'[i % 8]}"


def amount_for(i: int) -> int | None:
    return None if i % 23 == 0 else (i * 37 % 400 - 200) * 125


def append_ops(model: Model, first: int, count: int, indexed: bool) -> list[str]:
    ops = []
    for i in range(first, first + count):
        name, amount = name_for(i), amount_for(i)
        ops += ["PUT", "NAME", name]
        ops += ["PUT", "MENGE", amount_text(amount) if amount is not None else ""]
        ops += ["APPEND"]
        model.names.append(name)
        model.amounts.append(amount)
        model.deleted.append(False)
        # Before MAKEINDEX the times are those of the physical order.
        t = model.tick() if indexed else len(model.names)
        model.given["NAME"].append(t)
        model.given["MENGE"].append(t)
    return ops


def makeindex(model: Model) -> None:
    """MAKEINDEX files the records in physical order."""
    for index in model.given:
        model.given[index] = list(range(1, len(model.names) + 1))
    model.clock = len(model.names)


def change_ops(model: Model, step: int) -> list[str]:
    """New names for some records, new amounts for others, both for a few;
    a new key goes after the keys equal to it."""
    ops = []
    count = len(model.names)
    for k, r in enumerate(range(step // 2, count, step)):
        ops += ["GOTO", str(r + 1)]
        old_name, old_amount = model.name_key(r), model.amount_key(r)
        if k % 3 != 1:
            model.names[r] = name_for(r * 7 + 3)
            ops += ["PUT", "NAME", model.names[r]]
        if k % 3 != 0:
            model.amounts[r] = (r * 11 % 300 - 150) * 100
            ops += ["PUT", "MENGE", amount_text(model.amounts[r])]
        ops += ["WRITE"]
        t = model.tick()
        if model.name_key(r) != old_name:
            model.given["NAME"][r] = t
        if model.amount_key(r) != old_amount:
            model.given["MENGE"][r] = t
    return ops


def delete_ops(model: Model, step: int) -> list[str]:
    ops = []
    for r in range(3, len(model.names), step):
        ops += ["GOTO", str(r + 1), "DELETE"]
        model.deleted[r] = True
    return ops


def pack(model: Model) -> None:
    kept = [r for r in range(len(model.names)) if not model.deleted[r]]
    model.names = [model.names[r] for r in kept]
    model.amounts = [model.amounts[r] for r in kept]
    model.deleted = [False] * len(kept)
    makeindex(model)


def xbase_walk(path: Path) -> tuple[str, int, list[tuple[str, int]]]:
    done = subprocess.run(["perl", str(HERE / "ndx_dump.pl"), str(path)], capture_output=True)
    if done.returncode != 0:
        raise Failure(f"XBase could not read {path.name}: {done.stderr.decode(errors='replace')}")
    lines = done.stdout.decode("ascii").splitlines()
    head = lines[0].split("\t")
    entries = []
    for line in lines[1:]:
        key, record = line.split("\t")
        entries.append((key, int(record)))
    return head[1], int(head[3]), entries


def check_index(model: Model, work: Path, file: str, index: str) -> list[int]:
    expr, numeric, entries = xbase_walk(work / file)
    where = f"{file} after {model.clock} keys"
    check(expr == index, f"{where}: XBase reads the expression {expr!r}")
    check(numeric == (index == "MENGE"), f"{where}: XBase reads key type {numeric}")
    records = [r for _, r in entries]
    check(sorted(records) == list(range(1, len(model.names) + 1)),
          f"{where}: XBase finds {len(records)} entries, not each of the {len(model.names)} records once")
    for key, r in entries:
        expected = model.key(index, r - 1)
        got = float(key) if numeric else bytes.fromhex(key)
        check(got == expected, f"{where}: record {r} is filed under {got!r}, its value is {expected!r}")
    check(records == model.expected_order(index), f"{where}: XBase walks the records in another order")
    return records


def walk_of(lines: list[str]) -> list[list[int]]:
    walks, current = [], None
    for line in lines:
        if line == "WALK":
            current = []
        elif line == "END":
            walks.append(current)
            current = None
        elif current is not None:
            current.append(int(line))
    return walks


def main() -> int:
    talven, talvenc = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 5000
    with tempfile.TemporaryDirectory(prefix="talven-ndx-") as tmp:
        work = Path(tmp)
        (work / "felder.txt").write_bytes(b"NAME,C,20,0\r\nMENGE,N,10,2\r\n")
        rt = Runtime(talven, talvenc, work)
        model = Model()

        # Half the records, both indexes made and attached, the other half
        # appended through them, then changed keys and deleted records.
        ops = ["CREATE", "felder.txt", "kunden", "OPEN", "kunden"]
        ops += append_ops(model, 1, count // 2, indexed=False)
        ops += ["MAKEINDEX", "NAME", "namen", "MAKEINDEX", "MENGE", "menge", "INDEX", "namen menge"]
        makeindex(model)
        ops += append_ops(model, count // 2 + 1, count - count // 2, indexed=True)
        ops += change_ops(model, 17)
        ops += delete_ops(model, 29)
        seeks = [(model.names[10], 1), (model.names[10][:7], 0), ("Kunde 9999", 1)]
        for text, exact in seeks:
            ops += ["SEEK", text, str(exact)]
        ops += ["WALK", "CLOSE"]
        out = rt.run(ops)
        check("INDEX 1" in out, "@DBINDEX did not attach both indexes")
        by_name = check_index(model, work, "namen.NDX", "NAME")
        check_index(model, work, "menge.NDX", "MENGE")
        check(walk_of(out) == [by_name], "the runtime's indexed walk differs from XBase's")
        found = [int(line.split()[1]) for line in out if line.startswith("SEEK ")]
        first_of = lambda text, exact: next(
            (r for r in by_name
             if (model.name_key(r - 1) == text.encode(ENCODING).ljust(NAME_LENGTH, b" ") if exact
                 else model.name_key(r - 1).startswith(text.encode(ENCODING)))), 0)
        check(found == [first_of(t, e) for t, e in seeks], f"@DBSEEK found {found}")
        print(f"runtime -> XBase: {count} records, {model.clock} keys given, both indexes in order")

        # Packed, indexed again (numeric index first), and appended to.
        ops = ["OPEN", "kunden", "PACK"]
        pack(model)
        ops += ["MAKEINDEX", "NAME", "namen", "MAKEINDEX", "MENGE", "menge", "INDEX", "menge namen"]
        ops += append_ops(model, count + 1, 50, indexed=True)
        ops += ["WALK", "CLOSE"]
        out = rt.run(ops)
        check_index(model, work, "namen.NDX", "NAME")
        by_amount = check_index(model, work, "menge.NDX", "MENGE")
        check(walk_of(out) == [by_amount], "after the pack the runtime's indexed walk differs from XBase's")
        print(f"runtime -> XBase after pack and re-index: {len(model.names)} records")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
