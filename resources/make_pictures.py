#!/usr/bin/python3
"""Draws the runtime's named icons and cursors into resources/pictures/.

Each icon is a 32 x 32 picture in the 16 standard colours, made of a few
simple shapes; each cursor is a 32 x 32 monochrome picture. Run it again after
changing a picture; the files it writes are committed.
"""
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent / "pictures"

# The 16 standard colours, index: (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255),
    (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(16)


class Canvas:
    def __init__(self):
        self.px = [[None] * 32 for _ in range(32)]  # None is transparent

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(y0, 0), min(y1, 32)):
            for x in range(max(x0, 0), min(x1, 32)):
                self.px[y][x] = c

    def disc(self, cx, cy, r, c):
        for y in range(32):
            for x in range(32):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.px[y][x] = c

    def frame(self, x0, y0, x1, y1, c):
        self.rect(x0, y0, x1, y0 + 1, c)
        self.rect(x0, y1 - 1, x1, y1, c)
        self.rect(x0, y0, x0 + 1, y1, c)
        self.rect(x1 - 1, y0, x1, y1, c)


def icon_bytes(canvas, colours=16):
    bpp = 4 if colours == 16 else 1
    row_bytes = (32 * bpp + 31) // 32 * 4
    xor = bytearray()
    for y in range(31, -1, -1):
        row = bytearray(row_bytes)
        for x in range(32):
            c = canvas.px[y][x] or 0
            if bpp == 4:
                row[x // 2] |= (c & 15) << (4 if x % 2 == 0 else 0)
            elif c == WHITE:
                row[x // 8] |= 0x80 >> (x % 8)
        xor += row
    mask = bytearray()
    for y in range(31, -1, -1):
        row = bytearray(4)
        for x in range(32):
            if canvas.px[y][x] is None:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    pal = PALETTE if bpp == 4 else [PALETTE[BLACK], PALETTE[WHITE]]
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, bpp, 0, len(xor) + len(mask), 0, 0, len(pal), 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in pal)
    return header + palette + bytes(xor) + bytes(mask)


def write_icon(name, canvases):
    images = [icon_bytes(c, n) for c, n in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (c, n), data in zip(canvases, images):
        bpp = 4 if n == 16 else 1
        out += struct.pack("<BBBBHHII", 32, 32, n if n < 256 else 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    (HERE / f"{name}.ico").write_bytes(out + b"".join(images))


def write_cursor(name, canvas, hot):
    data = icon_bytes(canvas, 2)
    out = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", 32, 32, 2, 0, hot[0], hot[1], len(data), 22)
    (HERE / f"{name}.cur").write_bytes(out + data)


def icons():
    def c():
        return Canvas()

    pics = {}
    k = c(); k.rect(6, 4, 26, 28, NAVY); k.rect(9, 7, 23, 25, AQUA); k.rect(12, 10, 20, 13, NAVY); k.rect(14, 13, 18, 22, NAVY)
    pics["TALVEN"] = k
    k = c(); k.rect(8, 26, 24, 29, BLACK); k.rect(10, 6, 14, 26, RED); k.rect(18, 6, 22, 26, RED); k.rect(10, 14, 22, 18, RED); k.rect(12, 3, 20, 7, RED)
    pics["A"] = k
    k = c(); k.rect(14, 20, 18, 30, MAROON); k.disc(16, 12, 10, GREEN); k.disc(12, 9, 3, LIME)
    pics["BAUM"] = k
    k = c(); k.rect(4, 4, 28, 20, SILVER); k.rect(6, 6, 26, 18, BLUE); k.rect(12, 20, 20, 24, GREY); k.rect(6, 24, 26, 28, SILVER)
    pics["COMPUTER"] = k
    k = c(); k.rect(3, 5, 29, 27, BLACK); k.rect(6, 9, 10, 11, SILVER); k.rect(10, 11, 12, 13, SILVER); k.rect(6, 13, 10, 15, SILVER); k.rect(13, 15, 20, 16, SILVER)
    pics["DOS"] = k
    k = c(); k.rect(4, 12, 28, 24, SILVER); k.rect(8, 4, 24, 12, WHITE); k.rect(8, 24, 24, 30, WHITE); k.rect(22, 15, 25, 17, LIME)
    pics["DRUCKER"] = k
    k = c(); k.rect(6, 3, 26, 29, WHITE); k.frame(6, 3, 26, 29, BLACK)
    for y in range(7, 26, 3):
        k.rect(9, y, 23, y + 1, NAVY)
    pics["EDITOR"] = k
    k = c(); k.rect(8, 10, 24, 28, GREY); k.rect(6, 8, 26, 11, SILVER); k.rect(10, 14, 22, 15, BLACK)
    pics["EIMER"] = k
    k = c(); k.disc(16, 10, 8, FUCHSIA); k.disc(13, 8, 2, WHITE)
    for y in range(16, 30):
        k.rect(16 - (30 - y) // 3, y, 16 + (30 - y) // 3 + 1, y + 1, OLIVE)
    pics["EIS"] = k
    k = c(); k.rect(7, 3, 21, 29, WHITE); k.rect(21, 9, 25, 29, WHITE); k.frame(7, 3, 25, 29, BLACK); k.rect(21, 3, 25, 9, SILVER)
    pics["FILEICON"] = k
    k = c(); k.disc(16, 16, 13, YELLOW); k.disc(11, 12, 2, BLACK); k.disc(21, 12, 2, BLACK); k.rect(10, 21, 22, 23, BLACK)
    pics["GESICHT"] = k
    k = c(); k.rect(4, 8, 28, 24, SILVER); k.rect(4, 8, 28, 9, WHITE); k.rect(4, 8, 5, 24, WHITE); k.rect(4, 23, 28, 24, GREY); k.rect(27, 8, 28, 24, GREY)
    pics["KNOPF1"] = k
    k = c(); k.rect(4, 8, 28, 24, SILVER); k.rect(4, 8, 28, 9, GREY); k.rect(4, 8, 5, 24, GREY); k.rect(4, 23, 28, 24, WHITE); k.rect(27, 8, 28, 24, WHITE)
    pics["KNOPF2"] = k
    k = c(); k.rect(9, 8, 23, 29, TEAL); k.rect(7, 5, 25, 8, TEAL); k.rect(13, 3, 19, 5, TEAL)
    for x in (12, 16, 20):
        k.rect(x, 11, x + 1, 26, AQUA)
    pics["MUELL"] = k
    k = c(); k.disc(16, 16, 12, OLIVE); k.disc(16, 16, 10, YELLOW); k.rect(15, 10, 17, 22, OLIVE)
    pics["MUENZE"] = k
    k = c(); k.rect(8, 3, 24, 5, MAROON); k.rect(8, 27, 24, 29, MAROON)
    for y in range(5, 16):
        k.rect(8 + (y - 5), y, 24 - (y - 5), y + 1, YELLOW if y > 9 else SILVER)
    for y in range(16, 27):
        k.rect(8 + (26 - y), y, 24 - (26 - y), y + 1, YELLOW if y > 20 else SILVER)
    pics["SAND"] = k
    k = c(); k.disc(16, 18, 11, GREY); k.disc(13, 14, 4, SILVER)
    pics["STEIN"] = k
    k = c(); k.rect(5, 6, 27, 9, BLACK); k.rect(14, 6, 18, 27, BLACK); k.rect(11, 25, 21, 27, BLACK)
    pics["TEXT"] = k
    k = c()
    for y in range(4, 30):
        k.rect(6 + (y % 4), y, 26 - (y % 4), y + 1, BLUE if y % 8 < 4 else AQUA)
    pics["WASSER"] = k
    k = c(); k.rect(0, 0, 32, 32, GREEN)
    for y in range(32):
        k.rect(12 + (y // 6), y, 20 + (y // 6), y + 1, OLIVE)
    pics["WEG"] = k
    k = c(); k.rect(4, 4, 15, 15, RED); k.rect(17, 4, 28, 15, LIME); k.rect(4, 17, 15, 28, BLUE); k.rect(17, 17, 28, 28, YELLOW)
    pics["WINDOWS"] = k
    return pics


def two_colour(canvas):
    k = Canvas()
    for y in range(32):
        for x in range(32):
            c = canvas.px[y][x]
            k.px[y][x] = None if c is None else (BLACK if c in (BLACK, NAVY, BLUE, MAROON, GREEN, GREY) else WHITE)
    return k


def cursors():
    drucker = Canvas()
    drucker.frame(6, 10, 24, 20, BLACK); drucker.rect(7, 11, 23, 19, WHITE); drucker.frame(9, 4, 21, 11, BLACK)
    drucker.rect(10, 5, 20, 10, WHITE); drucker.frame(9, 19, 21, 26, BLACK); drucker.rect(10, 19, 20, 25, WHITE)
    schieben = Canvas()
    for i in range(12):
        schieben.rect(0, i, 12 - i, i + 1, BLACK)
    schieben.rect(6, 6, 20, 8, BLACK); schieben.rect(6, 6, 8, 20, BLACK)
    groesse = Canvas()
    groesse.rect(0, 0, 10, 2, BLACK); groesse.rect(0, 0, 2, 10, BLACK)
    for i in range(20):
        groesse.rect(i, i, i + 3, i + 1, BLACK)
    groesse.rect(12, 20, 22, 22, BLACK); groesse.rect(20, 12, 22, 22, BLACK)
    return {"DRUCKER": (drucker, (14, 14)), "SCHIEBEN": (schieben, (0, 0)), "GROESSE": (groesse, (0, 0))}


def main():
    HERE.mkdir(exist_ok=True)
    for name, canvas in icons().items():
        versions = [(canvas, 16)]
        if name == "WINDOWS":
            versions.append((two_colour(canvas), 2))
        write_icon(name, versions)
    for name, (canvas, hot) in cursors().items():
        write_cursor(name, canvas, hot)


if __name__ == "__main__":
    main()
