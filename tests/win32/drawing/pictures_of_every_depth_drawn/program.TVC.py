# Pictures with colour tables, run-length rows, top-down rows and 16-bit
# pixels, drawn and read back by pixel.
import os
import struct
import subprocess

SOURCE = """REM every depth the reader takes reaches the screen in its colours
PRINT "Tiefen"
DRAWBMP "pal8.bmp", 300, 200; 0
PRINT @GETPIXEL(300, 200); " "; @GETPIXEL(301, 200); " "; @GETPIXEL(302, 200); " "; &BMPCOLORS
DRAWBMP "mono.bmp", 300, 210; 0
PRINT @GETPIXEL(300, 210); " "; @GETPIXEL(301, 210); " "; &BMPCOLORS
DRAWBMP "rle8.bmp", 300, 220; 0
PRINT @GETPIXEL(300, 220); " "; @GETPIXEL(301, 220)
DRAWBMP "oben.bmp", 300, 230; 0
PRINT @GETPIXEL(300, 230); " "; @GETPIXEL(300, 231)
DRAWBMP "rgb16.bmp", 300, 240; 0
PRINT @GETPIXEL(300, 240); " "; @GETPIXEL(301, 240); " "; &BMPCOLORS
"""

RED, GREEN, BLUE = b"\x00\x00\xff\x00", b"\x00\xff\x00\x00", b"\xff\x00\x00\x00"


def bmp(width, height, bits, rows, table=b"", compression=0):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(rows), 0, 0, 0, 0)
    body = info + table + rows
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 54 + len(table)) + body


files = {
    "pal8.bmp": bmp(3, 1, 8, bytes([0, 1, 2, 0]), RED + GREEN + BLUE + b"\0" * 4 * 253),
    "mono.bmp": bmp(2, 1, 1, bytes([0b10000000, 0, 0, 0]), RED + BLUE),
    "rle8.bmp": bmp(2, 1, 8, bytes([1, 0, 1, 1, 0, 0, 0, 1]), RED + GREEN + b"\0" * 4 * 254, compression=1),
    "oben.bmp": bmp(1, -2, 24, b"\x00\x00\xff\x00" + b"\xff\x00\x00\x00"),
    "rgb16.bmp": bmp(2, 1, 16, struct.pack("<HH", 0x7C00, 0x03E0)),
}
for name, data in files.items():
    with open(name, "wb") as f:
        f.write(data)
with open("program.tvs", "w", encoding="utf-8") as f:
    f.write(SOURCE)
subprocess.run([os.environ["TALVENC"], "program.tvs"], check=True)
os.remove("program.tvs")
