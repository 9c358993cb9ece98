# Damaged BMP files: each DRAWBMP warns 228 and draws nothing.
import os
import struct
import subprocess

SOURCE = """REM damaged pictures are no pictures
PRINT "Anfang"
DRAWBMP "os2.bmp", 0, 0; 0
DRAWBMP "kurz.bmp", 0, 0; 0
DRAWSIZEDBMP "hoch.bmp", 0, 0 - 5, 5; 0
DRAWBMP "ohnetab.bmp", 0, 0; 0
DRAWBMP "weit.bmp", 0, 0; 0
PRINT "Ende"
"""


def bmp(width, height, bits, *, header=40, offset=None, table=None, rows=None):
    row = ((bits * width + 31) // 32) * 4
    if table is None:
        table = (1 << bits) * 4 if bits <= 8 else 0
    if rows is None:
        rows = row * abs(height)
    if offset is None:
        offset = 54 + table
    info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, 0, row * abs(height), 0, 0, 0, 0)
    body = info + b"\x40" * table + b"\x22" * rows
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, offset) + body


files = {
    "os2.bmp": bmp(4, 4, 24, header=12),
    "kurz.bmp": bmp(4, 4, 24, rows=4 * 12 - 1),
    "hoch.bmp": bmp(4, 100000, 24, rows=64),
    "ohnetab.bmp": bmp(32, 32, 8, table=0),
    "weit.bmp": bmp(4, 4, 24, offset=1000000),
}
for name, data in files.items():
    with open(name, "wb") as f:
        f.write(data)
with open("program.tvs", "w", encoding="utf-8") as f:
    f.write(SOURCE)
subprocess.run([os.environ["TALVENC"], "program.tvs"], check=True)
os.remove("program.tvs")
