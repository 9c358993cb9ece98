#!/usr/bin/env python3
"""Builds the seed corpora of the fuzz targets from the golden test programs,
the examples and the seed programs in fuzz/seeds/:

  loader/       every program file: each program.tvs compiled scrambled and
                plain, and the files each program.TVC.py writes
  interpreter/  the lines of each program, separated by newline bytes
  fetch/        the argument text of each line, after a control byte and a
                selector byte (see fuzz_fetch.cpp) for a few separators

    make_seeds.py --talvenc build/fuzz/src/tools/talvenc --out DIR

The output is the same for the same tree: file names come from the test
folders, and seeds with the same bytes are written once.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
HEADER_SIZE = 32
MAX_SEED = {"loader": 65536, "interpreter": 16384}
# (control byte, selector byte): error mode -1 so that a fatal error does not
# stop the fetch, with the separators the statements use most.
FETCH_SELECTORS = [(0x02, 0x02), (0x02, 0x01), (0x02, 0x00), (0x00, 0x03)]


def line_key(h: bytes) -> int:
    if h[20] == 0x20 and h[21] == 0x20:
        return 0
    if h[1:12] == b"ZUK-TALVEN5":
        def at(i: int) -> int:
            return h[19 + i] if 19 + i <= 30 else 0
        return (at(h[27]) | at(h[29])) & (at(h[26]) | at(h[28]))
    return h[20] | h[21]


def program_lines(data: bytes) -> list[bytes] | None:
    if len(data) < HEADER_SIZE or data[1:11] != b"ZUK-TALVEN":
        return None
    key = line_key(data[:HEADER_SIZE])
    lines, pos = [], HEADER_SIZE
    while pos < len(data):
        n = data[pos]
        pos += 1
        if n == 255 or pos + n > len(data):
            return None
        lines.append(bytes(b ^ key for b in data[pos:pos + n]))
        pos += n
    return lines


class Corpus:
    def __init__(self, out: Path, target: str):
        self.dir = out / target
        self.dir.mkdir(parents=True, exist_ok=True)
        self.seen: set[str] = set()
        self.limit = MAX_SEED.get(target)

    def add(self, name: str, data: bytes) -> None:
        if self.limit is not None and len(data) > self.limit:
            return
        digest = hashlib.sha1(data).hexdigest()
        if digest in self.seen:
            return
        self.seen.add(digest)
        (self.dir / f"{name}-{digest[:8]}").write_bytes(data)


def program_files(folder: Path, talvenc: str, scratch: Path) -> list[tuple[str, bytes]]:
    files = []
    source = folder / "program.tvs"
    generator = folder / "program.TVC.py"
    if source.exists():
        for mode, extra in (("scrambled", []), ("plain", ["--plain"])):
            out = scratch / f"{mode}.TVC"
            r = subprocess.run([talvenc, str(source), "-o", str(out)] + extra,
                               capture_output=True)
            if r.returncode == 0 and out.exists():
                files.append((mode, out.read_bytes()))
    elif generator.exists():
        work = scratch / "gen"
        work.mkdir()
        env = dict(os.environ)
        env["PYTHONPATH"] = str(ROOT / "tests" / "golden")
        env["TALVENC"] = talvenc
        env["TALVEN"] = "/nonexistent/talven"
        r = subprocess.run([sys.executable, str(generator)], cwd=work, env=env, capture_output=True)
        if r.returncode == 0:
            for f in sorted(work.rglob("*")):
                if f.is_file():
                    files.append((f.name, f.read_bytes()))
    return files


def main() -> int:
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--talvenc", required=True)
    ap.add_argument("--out", required=True, type=Path)
    args = ap.parse_args()

    if args.out.exists():
        shutil.rmtree(args.out)
    corpora = {t: Corpus(args.out, t) for t in ("loader", "interpreter", "fetch")}
    folders = sorted(p.parent for p in (ROOT / "tests" / "golden").glob("*/*/program.*")
                     if p.name in ("program.tvs", "program.TVC.py"))
    examples = sorted((ROOT / "examples").glob("*.tvs")) + sorted((ROOT / "fuzz" / "seeds").glob("*.tvs"))
    count = 0
    with tempfile.TemporaryDirectory() as tmp:
        for i, item in enumerate(folders + examples):
            scratch = Path(tmp) / str(i)
            scratch.mkdir()
            if item.is_dir():
                name = f"{item.parent.name}_{item.name}"
                files = program_files(item, args.talvenc, scratch)
            else:
                name = f"{item.parent.name}_{item.stem}"
                fake = scratch / "src"
                fake.mkdir()
                shutil.copy(item, fake / "program.tvs")
                files = program_files(fake, args.talvenc, scratch)
            for kind, data in files:
                corpora["loader"].add(f"{name}-{kind}", data)
                lines = program_lines(data)
                if lines is None:
                    continue
                corpora["interpreter"].add(name, b"\n".join(lines))
                for n, line in enumerate(lines):
                    if len(line) < 2:
                        continue
                    for control, selector in FETCH_SELECTORS:
                        corpora["fetch"].add(f"{name}-{n + 1}", bytes([control, selector]) + line[1:])
            count += 1
    for target, corpus in corpora.items():
        print(f"make_seeds: {target}: {len(corpus.seen)} seeds from {count} programs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
