"""Reads back what a Win32 test printed.

Under scripts/wine-env.sh the default printer is the CUPS printer "PDF",
which writes every document as a PDF file named after it into
TALVEN_PDF_DIR. A test folder with a file `printed` is checked against the
documents that appeared while it ran, one check a line ("#" starts a
comment):

  document NAME          the next document: the new file whose name begins
                         with NAME; the lines after it check that file
  pages N                its number of pages
  fonts N                the number of fonts it uses
  page W H               the logical page of the points below: W x H units
                         spanning 7 1/3 x 11 inches (default 640 960, the
                         page programs draw on in a print job)
  text P WORDS           the text of page P holds WORDS
  color P X Y RRGGBB     the colour around the logical point X, Y of page P
  color P X Y RRGGBB ~N  the same with each channel within N (default 40)

The file is awaited (cups-pdf writes it after the job has left the runtime)
until it exists, CUPS has no job left and its size holds still, for at most
PRINT_TIMEOUT_SECONDS: never a fixed sleep.
"""

from __future__ import annotations

import os
import subprocess
import tempfile
import time
from pathlib import Path

PRINT_TIMEOUT_SECONDS = 90
RESOLUTION = 100  # dots per inch of the rasterised pages
PAGE_INCHES = (22 / 3, 11.0)


def output_dir() -> Path:
    return Path(os.environ.get("TALVEN_PDF_DIR", str(Path.home() / "PDF")))


def snapshot() -> set[str]:
    folder = output_dir()
    return {p.name for p in folder.glob("*.pdf")} if folder.is_dir() else set()


def jobs_pending() -> bool:
    env = dict(os.environ, LC_ALL="C")
    done = subprocess.run(["lpstat", "-o"], capture_output=True, env=env)
    return bool(done.stdout.strip())


def await_document(name: str, before: set[str], taken: set[str]) -> Path | None:
    deadline = time.monotonic() + PRINT_TIMEOUT_SECONDS
    last_size = -1
    while time.monotonic() < deadline:
        found = sorted((p for p in output_dir().glob("*.pdf")
                        if p.name not in before and p.name not in taken and p.name.startswith(name)),
                       key=lambda p: p.stat().st_mtime)
        if found and not jobs_pending():
            size = found[0].stat().st_size
            if size > 0 and size == last_size:
                return found[0]
            last_size = size
        time.sleep(0.2)
    return None


def page_count(pdf: Path) -> int:
    info = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True).stdout
    for line in info.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return 0


def font_count(pdf: Path) -> int:
    listing = subprocess.run(["pdffonts", str(pdf)], capture_output=True, text=True).stdout.splitlines()
    return max(0, len(listing) - 2)  # below a heading and a rule


def page_text(pdf: Path, page: int) -> str:
    return subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), str(pdf), "-"],
                          capture_output=True, text=True).stdout


def read_ppm(path: Path) -> tuple[int, int, bytes]:
    data = path.read_bytes()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    assert fields[0] == b"P6", "pdftoppm wrote no binary PPM"
    return int(fields[1]), int(fields[2]), data[pos + 1:]


class Pages:
    """The rasterised pages of one document, made once each."""

    def __init__(self, pdf: Path, folder: Path):
        self.pdf, self.folder, self.cache = pdf, folder, {}

    def pixel(self, page: int, x: int, y: int) -> tuple[int, int, int] | None:
        if page not in self.cache:
            stem = self.folder / f"page{page}"
            subprocess.run(["pdftoppm", "-r", str(RESOLUTION), "-f", str(page), "-l", str(page),
                            "-singlefile", str(self.pdf), str(stem)], check=True)
            self.cache[page] = read_ppm(stem.with_suffix(".ppm"))
        width, height, rgb = self.cache[page]
        if not (0 <= x < width and 0 <= y < height):
            return None
        i = (y * width + x) * 3
        return rgb[i], rgb[i + 1], rgb[i + 2]


def check(printed: Path, before: set[str]) -> list[str]:
    problems: list[str] = []
    taken: set[str] = set()
    pdf = pages = None
    page_units = (640, 960)
    folder = Path(tempfile.mkdtemp(prefix="printed-"))
    for number, raw in enumerate(printed.read_text(encoding="utf-8").splitlines(), 1):
        words = raw.split("#", 1)[0].split()
        if not words:
            continue
        where = f"printed:{number}"
        kind, rest = words[0], words[1:]
        if kind == "document":
            page_units = (640, 960)
            pdf = await_document(rest[0], before, taken)
            if pdf is None:
                problems.append(f"{where}: no document {rest[0]} was printed within {PRINT_TIMEOUT_SECONDS} s "
                                f"(in {output_dir()}: {sorted(snapshot() - before)})\n")
                return problems
            taken.add(pdf.name)
            pages = Pages(pdf, folder)
        elif pdf is None:
            problems.append(f"{where}: '{kind}' before any 'document'\n")
        elif kind == "pages":
            count = page_count(pdf)
            if count != int(rest[0]):
                problems.append(f"{where}: {pdf.name} has {count} pages, expected {rest[0]}\n")
        elif kind == "fonts":
            count = font_count(pdf)
            if count != int(rest[0]):
                problems.append(f"{where}: {pdf.name} uses {count} fonts, expected {rest[0]}\n")
        elif kind == "page":
            page_units = (int(rest[0]), int(rest[1]))
        elif kind == "text":
            text = " ".join(page_text(pdf, int(rest[0])).split())
            wanted = " ".join(rest[1:])
            if wanted not in text:
                problems.append(f"{where}: page {rest[0]} of {pdf.name} lacks '{wanted}'; its text: '{text}'\n")
        elif kind == "color":
            page, x, y = int(rest[0]), int(rest[1]), int(rest[2])
            want = bytes.fromhex(rest[3])
            tolerance = int(rest[4][1:]) if len(rest) > 4 else 40
            px = round(x * PAGE_INCHES[0] / page_units[0] * RESOLUTION)
            py = round(y * PAGE_INCHES[1] / page_units[1] * RESOLUTION)
            got = pages.pixel(page, px, py)
            if got is None or any(abs(g - w) > tolerance for g, w in zip(got, want)):
                shown = "outside the page" if got is None else bytes(got).hex()
                problems.append(f"{where}: page {page} at {x}, {y} (pixel {px}, {py} of {pdf.name}) is {shown}, "
                                f"expected {rest[3]}\n")
        else:
            problems.append(f"{where}: unknown check '{kind}'\n")
    return problems
