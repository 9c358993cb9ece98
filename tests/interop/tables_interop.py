#!/usr/bin/python3
"""Tables and memos written by the runtime are read back by python3-dbf and
by Perl's XBase module field by field, and tables written by those tools
are read by the runtime.

The runtime is driven by table_driver.tvs: this script writes the list of
operations (ops.txt, Windows-1252) and reads the table back from the
driver's DUMP on standard output.

Usage: tables_interop.py TALVEN TALVENC [RECORDS]
"""

from __future__ import annotations

import datetime
import os
import subprocess
import sys
import tempfile
from pathlib import Path

import dbf

HERE = Path(__file__).resolve().parent
ENCODING = "cp1252"
FIELDS = "NAME,C,20,0\nMENGE,N,10,2\nDATUM,D\nAKTIV,L\nNOTIZ,M\nKOPIE,M\n"


class Failure(Exception):
    pass


def check(condition: bool, what: str) -> None:
    if not condition:
        raise Failure(what)


class Runtime:
    def __init__(self, talven: str, talvenc: str, work: Path):
        self.talven = talven
        self.work = work
        subprocess.run([talvenc, str(HERE / "table_driver.tvs"), "-o", str(work / "driver.TVC")],
                       check=True, stdout=subprocess.DEVNULL)

    def run(self, ops: list[str]) -> list[str]:
        (self.work / "ops.txt").write_bytes(("\r\n".join(ops) + "\r\n").encode(ENCODING))
        env = dict(os.environ, TALVEN_FIXED_TIME="2024-03-09 10:00:00")
        env.pop("TALVEN_ANSWERS", None)
        done = subprocess.run([self.talven, "driver"], cwd=self.work, env=env, capture_output=True, timeout=600)
        if done.returncode != 0 or done.stderr:
            raise Failure(f"runtime ended with {done.returncode}: {done.stderr.decode(errors='replace')}")
        return done.stdout.decode("utf-8").splitlines()


def parse_dump(lines: list[str], field_count: int) -> list[tuple[bool, list[str]]]:
    """The records of a DUMP: (deleted, field texts)."""
    records = []
    it = iter(lines)
    for line in it:
        if line.startswith("COUNT "):
            continue
        check(line.startswith("REC "), f"unexpected dump line {line!r}")
        deleted = line.split()[2] == "1"
        fields = []
        for _ in range(field_count):
            text = next(it)
            check(text.startswith("[") and text.endswith("]"), f"bad field line {text!r}")
            fields.append(text[1:-1])
        records.append((deleted, fields))
    return records


def memo_text(lines: list[str]) -> str:
    """A memo as the runtime writes a list of lines: each line ends in CR LF."""
    return "".join(line + "\r\n" for line in lines)


def model_records(count: int) -> list[dict]:
    """The records the runtime is asked to write: names with accented letters,
    negative and blank numbers, blank dates, memos of one to many blocks, one
    that fills its block exactly."""
    records = []
    for i in range(1, count + 1):
        memo = None
        if i % 5 == 0:
            memo = [f"Notiz {i} zeile {k} " + "äöüß€"[k % 5] * (k * 7 % 60) for k in range(1 + i % 9)]
        if i % 97 == 0:
            memo = ["x" * 62] * 8  # 8 * 64 = 512 bytes: the end mark goes into the next block
        if i % 89 == 0:
            memo = [f"lang {k} " + "m" * 70 for k in range(30)]  # five blocks
        records.append({
            "NAME": f"Kunde {i} {'ÄÖÜäöüß'[i % 7]}"[:20],
            "MENGE": None if i % 17 == 0 else round((i - 2500) * 1.25, 2),
            "DATUM": None if i % 19 == 0 else datetime.date(1990, 1, 1) + datetime.timedelta(days=i * 3),
            "AKTIV": i % 3 == 0,
            "NOTIZ": memo,
            "deleted": False,
        })
    return records


def ops_for_writing(records: list[dict]) -> list[str]:
    ops = ["CREATE", "felder.txt", "kunden", "OPEN", "kunden"]
    for r in records:
        ops += ["PUT", "NAME", r["NAME"]]
        if r["MENGE"] is not None:
            ops += ["PUT", "MENGE", f"{r['MENGE']:10.2f}"]
        if r["DATUM"] is not None:
            ops += ["PUT", "DATUM", r["DATUM"].strftime("%Y%m%d")]
        ops += ["PUT", "AKTIV", "T" if r["AKTIV"] else "F"]
        if r["NOTIZ"] is not None:
            ops += ["CLEAR"] + sum((["LINE", line] for line in r["NOTIZ"]), []) + ["MEMOPUT", "NOTIZ"]
        ops += ["APPEND"]
    return ops


def ops_for_changes(records: list[dict]) -> list[str]:
    """Memos rewritten in place (shorter) and moved to the end (longer),
    records marked deleted."""
    ops = []
    for n, r in enumerate(records, 1):
        if r["NOTIZ"] is not None and n % 10 == 0:
            r["NOTIZ"] = ["kürzer"] if n % 20 == 0 else r["NOTIZ"] + [f"länger {k}" * 7 for k in range(12)]
            ops += ["GOTO", str(n), "MEMO", "NOTIZ", "CLEAR"]
            ops += sum((["LINE", line] for line in r["NOTIZ"]), [])
            ops += ["MEMOPUT", "NOTIZ", "WRITE"]
        if n % 13 == 0:
            r["deleted"] = True
            ops += ["GOTO", str(n), "DELETE"]
    return ops


def cut_memo(value) -> str:
    """A dBase III memo ends at its first end mark; python3-dbf reads on to a
    double one, so what follows the first is not part of the memo."""
    if value is None:
        return ""
    text = value if isinstance(value, str) else value.decode(ENCODING)
    return text.split("\x1a", 1)[0]


def python_rows(path: Path) -> list[tuple[bool, dict]]:
    table = dbf.Table(str(path), codepage=ENCODING)
    table.open(dbf.READ_ONLY)
    try:
        return [(dbf.is_deleted(rec), {f.upper(): rec[f] for f in table.field_names}) for rec in table]
    finally:
        table.close()


def perl_rows(path: Path) -> list[tuple[bool, dict]]:
    done = subprocess.run(["perl", str(HERE / "xbase_dump.pl"), str(path)], capture_output=True, check=True)
    lines = done.stdout.decode("ascii").splitlines()
    names = lines[0].split("\t")[1:]
    rows = []
    for line in lines[1:]:
        values = [None if v == "-" else bytes.fromhex(v).decode(ENCODING) for v in line.split("\t")]
        rows.append((values[0] == "1", dict(zip(names, values[1:]))))
    return rows


def compare_with_peers(path: Path, expected: list[dict]) -> None:
    py = python_rows(path)
    pl = perl_rows(path)
    check(len(py) == len(expected), f"python3-dbf sees {len(py)} records, expected {len(expected)}")
    check(len(pl) == len(expected), f"XBase sees {len(pl)} records, expected {len(expected)}")
    for n, (r, (py_del, p), (pl_del, q)) in enumerate(zip(expected, py, pl), 1):
        where = f"record {n}"
        check(py_del == r["deleted"] and pl_del == r["deleted"], f"{where}: deletion flag")
        check(p["NAME"].rstrip() == r["NAME"], f"{where}: python3-dbf NAME {p['NAME']!r}")
        check(q["NAME"].rstrip() == r["NAME"], f"{where}: XBase NAME {q['NAME']!r}")
        if r["MENGE"] is None:
            check(p["MENGE"] is None and (q["MENGE"] or "").strip() == "", f"{where}: blank MENGE")
        else:
            check(abs(p["MENGE"] - r["MENGE"]) < 1e-9, f"{where}: python3-dbf MENGE {p['MENGE']!r}")
            check(abs(float(q["MENGE"]) - r["MENGE"]) < 1e-9, f"{where}: XBase MENGE {q['MENGE']!r}")
        if r["DATUM"] is None:
            check(not p["DATUM"] and (q["DATUM"] or "").strip() == "", f"{where}: blank DATUM")
        else:
            check(p["DATUM"] == r["DATUM"], f"{where}: python3-dbf DATUM {p['DATUM']!r}")
            check(q["DATUM"] == r["DATUM"].strftime("%Y%m%d"), f"{where}: XBase DATUM {q['DATUM']!r}")
        check(p["AKTIV"] is r["AKTIV"], f"{where}: python3-dbf AKTIV {p['AKTIV']!r}")
        check(q["AKTIV"] == ("1" if r["AKTIV"] else "0"), f"{where}: XBase AKTIV {q['AKTIV']!r}")
        memo = memo_text(r["NOTIZ"]) if r["NOTIZ"] is not None else ""
        check(cut_memo(p["NOTIZ"]) == memo, f"{where}: python3-dbf NOTIZ {cut_memo(p['NOTIZ'])[:60]!r}")
        check(cut_memo(q["NOTIZ"]) == memo, f"{where}: XBase NOTIZ {cut_memo(q['NOTIZ'])[:60]!r}")


def runtime_writes(rt: Runtime, work: Path, count: int) -> None:
    (work / "felder.txt").write_text(FIELDS, encoding="ascii")
    records = model_records(count)
    rt.run(ops_for_writing(records) + ["CLOSE"])
    compare_with_peers(work / "kunden.DBF", records)
    rt.run(["OPEN", "kunden"] + ops_for_changes(records) + ["CLOSE"])
    compare_with_peers(work / "kunden.DBF", records)
    rt.run(["OPEN", "kunden", "PACK", "CLOSE"])
    kept = [r for r in records if not r["deleted"]]
    compare_with_peers(work / "kunden.DBF", kept)
    check(not any("$" in p.name for p in work.iterdir()), "the pack left a scratch file")
    print(f"runtime -> python3-dbf, XBase: {count} records, {len(kept)} after the pack: same values")


def peer_memo_lines(i: int) -> list[str]:
    return [f"Peer {i} Zeile {k} mit Ümlauten äöü" + "-" * (i * k % 30) for k in range(1 + i % 4)] if i % 3 else []


def check_runtime_reads(rt: Runtime, name: str, rows: list[dict]) -> None:
    """The runtime dumps the peer's table, copies NOTIZ into KOPIE for every
    record through the element list, and the peers read the copies."""
    ops = ["OPEN", name, "DUMP"]
    for n in range(1, len(rows) + 1):
        ops += ["GOTO", str(n), "MEMO", "NOTIZ", "MEMOPUT", "KOPIE", "WRITE"]
    out = rt.run(ops + ["CLOSE"])
    dump = parse_dump(out, 6)
    check(len(dump) == len(rows), f"{name}: the runtime sees {len(dump)} records, expected {len(rows)}")
    for n, ((deleted, fields), r) in enumerate(zip(dump, rows), 1):
        where = f"{name} record {n}"
        check(not deleted, f"{where}: deleted")
        check(fields[0] == r["NAME"].ljust(20), f"{where}: NAME {fields[0]!r}")
        check(float(fields[1]) == r["MENGE"], f"{where}: MENGE {fields[1]!r}")
        check(fields[2] == r["DATUM"].strftime("%Y%m%d"), f"{where}: DATUM {fields[2]!r}")
        check(fields[3] in ("T", "Y") if r["AKTIV"] else fields[3] in ("F", "N"), f"{where}: AKTIV {fields[3]!r}")
    path = rt.work / f"{name}.dbf"
    for reader, rows_read in (("python3-dbf", python_rows(path)), ("XBase", perl_rows(path))):
        for n, ((_, got), r) in enumerate(zip(rows_read, rows), 1):
            lines = r["NOTIZ"]
            check(cut_memo(got["KOPIE"]) == memo_text(lines),
                  f"{name} record {n}: {reader} reads the runtime's copy as {cut_memo(got['KOPIE'])[:60]!r}")
    print(f"python3-dbf/XBase -> runtime: {name}, {len(rows)} records, memos copied and read back")


def peers_write(rt: Runtime, work: Path) -> None:
    rows = [{
        "NAME": f"Peer {i} äöß",
        "MENGE": (i * 7 - 300) / 4,
        "DATUM": datetime.date(2001, 2, 3) + datetime.timedelta(days=i),
        "AKTIV": i % 2 == 0,
        "NOTIZ": peer_memo_lines(i),
    } for i in range(1, 201)]
    table = dbf.Table(str(work / "python.dbf"),
                      "NAME C(20); MENGE N(10,2); DATUM D; AKTIV L; NOTIZ M; KOPIE M",
                      dbf_type="db3", codepage=ENCODING)
    table.open(dbf.READ_WRITE)
    for r in rows:
        table.append((r["NAME"], r["MENGE"], r["DATUM"], r["AKTIV"], "\r\n".join(r["NOTIZ"]), ""))
    table.close()
    check_runtime_reads(rt, "python", rows)

    lines = []
    for r in rows:
        values = [r["NAME"], f"{r['MENGE']:.2f}", r["DATUM"].strftime("%Y%m%d"), "1" if r["AKTIV"] else "0",
                  "\r\n".join(r["NOTIZ"]) if r["NOTIZ"] else None, None]
        lines.append("\t".join("-" if v is None else v.encode(ENCODING).hex() for v in values))
    layout = ["NAME,C,20,0", "MENGE,N,10,2", "DATUM,D,8,0", "AKTIV,L,1,0", "NOTIZ,M,10,0", "KOPIE,M,10,0"]
    subprocess.run(["perl", str(HERE / "xbase_write.pl"), str(work / "perl.dbf"), *layout],
                   input=("\n".join(lines) + "\n").encode("ascii"), check=True)
    check_runtime_reads(rt, "perl", rows)


def main() -> int:
    talven, talvenc = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 5000
    with tempfile.TemporaryDirectory(prefix="talven-interop-") as tmp:
        work = Path(tmp)
        rt = Runtime(talven, talvenc, work)
        try:
            runtime_writes(rt, work, count)
            peers_write(rt, work)
        except Failure as failure:
            print(f"FAIL: {failure}")
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
