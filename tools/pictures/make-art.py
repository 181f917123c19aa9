#!/usr/bin/env python3
"""Draws the setup program's side picture (59 x 256, 256 colours) and its icon
(32 x 32 and 16 x 16, 16 colours). The outputs are committed; run this again only
to change the art:  python3 tools/pictures/make-art.py setup/resources"""
import math
import struct
import sys

W, H = 59, 256


def lcg(seed):
    state = seed
    while True:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        yield state


def rle8_row(row):
    """One row in BI_RLE8: runs as (count, colour), stretches of three or more
    unlike pixels in absolute mode (0, count, pixels, padded to a word), and the
    end-of-line escape."""
    out = bytearray()
    i, n = 0, len(row)
    literal = []

    def flush():
        while literal:
            part = literal[:255]
            del literal[:255]
            if len(part) >= 3:
                out.extend([0, len(part)] + part + ([0] if len(part) % 2 else []))
            else:
                for c in part:
                    out.extend([1, c])

    while i < n:
        j = i
        while j < n and j - i < 255 and row[j] == row[i]:
            j += 1
        if j - i >= 2:
            flush()
            out.extend([j - i, row[i]])
        else:
            literal.append(row[i])
        i = j
    flush()
    return bytes(out + b"\0\0")


def sidebar():
    # Palette: 0-159 night sky to marsh water, 160-223 reed greens, 224-255 lantern glow.
    pal = []
    for i in range(160):
        t = i / 159
        pal.append((int(10 + 30 * t), int(12 + 70 * t), int(40 + 40 * t)))
    for i in range(64):
        t = i / 63
        pal.append((int(8 + 40 * t), int(30 + 90 * t), int(10 + 30 * t)))
    for i in range(32):
        t = i / 31
        pal.append((int(120 + 135 * t), int(80 + 160 * t), int(10 + 120 * t)))
    rnd = lcg(1983)
    px = [[0] * W for _ in range(H)]
    # Sky to water: one colour per row, so that rows compress to a run each.
    for y in range(H):
        for x in range(W):
            px[y][x] = int(y * 159 / (H - 1))
    # Stars in the upper sky.
    for _ in range(40):
        x, y = next(rnd) % W, next(rnd) % 110
        px[y][x] = 240
    # Reeds: dark stalks rising from the water.
    for r in range(14):
        base = 200 + next(rnd) % 50
        top = 120 + next(rnd) % 70
        x0 = next(rnd) % W
        lean = ((next(rnd) % 9) - 4) / 40
        for y in range(top, min(H, base)):
            x = int(x0 + (base - y) * lean)
            for dx in (0, 1):
                if 0 <= x + dx < W:
                    px[y][x + dx] = 160 + (y - top) * 40 // max(1, base - top)
    # Lantern glow around (29, 150).
    cx, cy = 29, 150
    for y in range(H):
        for x in range(W):
            d = math.hypot(x - cx, (y - cy) * 0.8)
            if d < 14:
                px[y][x] = 224 + int(31 * (1 - d / 14))
    rows = b"".join(rle8_row(px[y]) for y in range(H - 1, -1, -1)) + b"\0\1"
    # 8 bits per pixel, run-length encoded (BI_RLE8 = 1).
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 1, len(rows), 2835, 2835, 256, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in pal)
    off = 14 + len(info) + len(palette)
    head = struct.pack("<2sIHHI", b"BM", off + len(rows), 0, 0, off)
    return head + info + palette + rows


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_image(n):
    """A lantern over dark water: colour indices into the VGA palette, None = transparent."""
    img = [[None] * n for _ in range(n)]
    s = n / 32
    for y in range(n):
        for x in range(n):
            fx, fy = (x + 0.5) / s, (y + 0.5) / s
            if fy > 24:
                img[y][x] = 4 if (x + y) % 3 else 6           # water
            d = math.hypot(fx - 16, fy - 15)
            if d < 9:
                img[y][x] = 11 if d < 4 else 3                  # glow
            if 11 <= fx <= 21 and 9 <= fy <= 21 and (abs(fx - 11) < 1.5 or abs(fx - 21) < 1.5
                                                      or abs(fy - 9) < 1.5 or abs(fy - 21) < 1.5):
                img[y][x] = 0                                   # lantern frame
            if 14 <= fx <= 18 and 4 <= fy <= 9 and (abs(fx - 14) < 1.2 or abs(fx - 18) < 1.2
                                                    or abs(fy - 4) < 1.2):
                img[y][x] = 8                                   # handle
    return img


def icon_entry(n):
    img = icon_image(n)
    xor = b""
    and_mask = b""
    xstride = ((n * 4 + 31) // 32) * 4
    astride = ((n + 31) // 32) * 4
    for y in range(n - 1, -1, -1):
        row = bytearray(xstride)
        mask = bytearray(astride)
        for x in range(n):
            c = img[y][x]
            if c is None:
                mask[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
        and_mask += bytes(mask)
    info = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(xor) + len(and_mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in VGA)
    return info + palette + xor + and_mask


def icon():
    images = [icon_entry(32), icon_entry(16)]
    head = struct.pack("<HHH", 0, 1, len(images))
    off = 6 + 16 * len(images)
    dirs = b""
    for n, data in zip((32, 16), images):
        dirs += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), off)
        off += len(data)
    return head + dirs + b"".join(images)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    with open(f"{out}/sidebar.bmp", "wb") as f:
        f.write(sidebar())
    with open(f"{out}/setup.ico", "wb") as f:
        f.write(icon())
