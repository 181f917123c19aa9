#!/usr/bin/env python3
"""Draws the ordering page's buttons (buy.gif, mail.gif, phone.gif, disk.gif,
back.gif: 88 x 31) and the maker's logo (velmora.gif: 120 x 40) as 16-colour
GIFs: the icon at the left, the label beside it in a pixel font of our own.
Python 3 and its standard library only. The outputs are committed; run this
again only to change the art:  python3 tools/pictures/make-buttons.py product/files

Each GIF must stay within the size that payload/manifest.def declares
for it; the tool says so when one does not."""
import os
import re
import sys

# A bold pixel font: capitals 10 rows high, small letters 7, descenders 3.
# Every glyph is 13 rows; '#' is ink.
FONT = {
    "B": ["######.", "##...##", "##...##", "##...##", "######.",
          "##...##", "##...##", "##...##", "##...##", "######.", "", "", ""],
    "O": [".######.", "##....##", "##....##", "##....##", "##....##",
          "##....##", "##....##", "##....##", "##....##", ".######.", "", "", ""],
    "V": ["##....##", "##....##", "##....##", "##....##", ".##..##.",
          ".##..##.", ".##..##.", "..####..", "..####..", "...##...", "", "", ""],
    "a": ["", "", "", ".####.", "....##", ".#####", "##..##", "##..##", "##.###", ".##.##", "", "", ""],
    "c": ["", "", "", ".####.", "##..##", "##....", "##....", "##....", "##..##", ".####.", "", "", ""],
    "d": ["....##", "....##", "....##", ".##.##", "##.###", "##..##", "##..##", "##..##", "##.###",
          ".##.##", "", "", ""],
    "e": ["", "", "", ".####.", "##..##", "##..##", "######", "##....", "##..##", ".####.", "", "", ""],
    "h": ["##....", "##....", "##....", "##.##.", "###.##", "##..##", "##..##", "##..##", "##..##",
          "##..##", "", "", ""],
    "i": ["", "##", "", "##", "##", "##", "##", "##", "##", "##", "", "", ""],
    "k": ["##....", "##....", "##....", "##..##", "##.##.", "####..", "###...", "####..", "##.##.",
          "##..##", "", "", ""],
    "l": ["##"] * 10 + ["", "", ""],
    "m": ["", "", "", "##.##..##.", "###.###.##", "##..##..##", "##..##..##", "##..##..##",
          "##..##..##", "##..##..##", "", "", ""],
    "n": ["", "", "", "##.##.", "###.##", "##..##", "##..##", "##..##", "##..##", "##..##", "", "", ""],
    "o": ["", "", "", ".####.", "##..##", "##..##", "##..##", "##..##", "##..##", ".####.", "", "", ""],
    "p": ["", "", "", "##.##.", "###.##", "##..##", "##..##", "##..##", "###.##", "##.##.",
          "##....", "##....", "##...."],
    "r": ["", "", "", "##.###", "####..", "###...", "##....", "##....", "##....", "##....", "", "", ""],
    "s": ["", "", "", ".#####", "##....", "##....", ".####.", "....##", "....##", "#####.", "", "", ""],
    "u": ["", "", "", "##..##", "##..##", "##..##", "##..##", "##..##", "##.###", ".##.##", "", "", ""],
    "w": ["", "", "", "##.....##", "##.....##", "##..#..##", "##.###.##", "##.###.##", ".###.###.",
          ".##...##.", "", "", ""],
    "y": ["", "", "", "##..##", "##..##", "##..##", "##..##", "##..##", "##..##", ".#####",
          "....##", "....##", ".####."],
    " ": ["..."] + [""] * 12,
}
CAP, FONT_ROWS = 10, 13


def glyph_width(ch):
    return max(len(r) for r in FONT[ch])


def text_width(text):
    return sum(glyph_width(ch) for ch in text) + len(text) - 1


class Picture:
    def __init__(self, w, h, colours):
        assert len(colours) <= 16
        self.w, self.h = w, h
        self.colours = list(colours)
        self.px = [[0] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def text(self, x, y, text, ink, shadow):
        """The label with its top-left capital corner at (x, y), a shadow one
        pixel down and right."""
        for dx, dy, c in ((1, 1, shadow), (0, 0, ink)):
            cx = x
            for ch in text:
                for row, bits in enumerate(FONT[ch]):
                    for col, b in enumerate(bits):
                        if b == "#":
                            self.put(cx + col + dx, y + row + dy, c)
                cx += glyph_width(ch) + 1

    def art(self, x, y, rows, key, scale=1):
        """Pixel art: one character a pixel (a square of scale pixels), key
        maps characters to colours; characters not in key are left alone."""
        for r, line in enumerate(rows):
            for col, ch in enumerate(line):
                if ch in key:
                    for dy in range(scale):
                        for dx in range(scale):
                            self.put(x + col * scale + dx, y + r * scale + dy, key[ch])

    def gif(self):
        head = b"GIF87a" + self.w.to_bytes(2, "little") + self.h.to_bytes(2, "little")
        # Global colour table of 16 entries, 8 bits of colour resolution.
        head += bytes([0x80 | 0x70 | 3, 0, 0])
        table = self.colours + [(0, 0, 0)] * (16 - len(self.colours))
        head += b"".join(bytes(c) for c in table)
        image = b"," + bytes(4) + self.w.to_bytes(2, "little") + self.h.to_bytes(2, "little") + b"\0"
        data = lzw([c for row in self.px for c in row], 4)
        blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                          for i in range(0, len(data), 255))
        return head + image + bytes([4]) + blocks + b"\0;"


def lzw(pixels, min_size):
    """GIF's variable-width LZW, codes packed from the low bit up."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc = nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def reset():
        return {(None, i): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    w = None
    for p in pixels:
        if (w, p) in table:
            w = table[(w, p)]
            continue
        emit(w, size)
        table[(w, p)] = next_code
        # The decoder learns each code one step later: it needs the wider
        # codes only once this entry no longer fits.
        if next_code == 1 << size and size < 12:
            size += 1
        next_code += 1
        if next_code == 4096:
            emit(clear, size)
            table, next_code, size = reset()
        w = table[(None, p)]
    emit(w, size)
    emit(end, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


# Icons, one character a pixel: k outline, the rest as each button's key says.
def coin(n=16):
    """A gold coin face on: a dark rim, a raised ring, light at the upper left."""
    rows = []
    c = (n - 1) / 2
    for y in range(n):
        line = ""
        for x in range(n):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            if d > c + 0.3:
                line += "."
            elif d > c - 0.8:
                line += "k"
            elif d > c - 1.8:
                line += "W" if x + y < n - 4 else "y" if x + y > n + 2 else "Y"
            elif c - 3.6 < d <= c - 2.6:
                line += "y"
            else:
                line += "Y"
        rows.append(line)
    return rows


COIN = coin()
ENVELOPE = [
    "kkkkkkkkkkkkkkkkkk",
    "kgWWWWWWWWWWWWWWgk",
    "kWgWWWWWWWWWWWWgWk",
    "kWWgWWWWWWWWWWgWWk",
    "kWWWgWWWWWWWWgWWWk",
    "kWWWWggWWWWggWWWWk",
    "kWWWgWWggggWWgWWWk",
    "kWWgWWWWWWWWWWgWWk",
    "kWgWWWWWWWWWWWWgWk",
    "kgWWWWWWWWWWWWWWgk",
    "kkkkkkkkkkkkkkkkkk",
]
TELEPHONE = [
    "..kkkkkkkkkkkkkk..",
    ".kWWWWWWWWWWWWWWk.",
    "kWWgkkkkkkkkkkgWWk",
    "kWWk..........kWWk",
    ".kk....kkkk....kk.",
    "......kWWWWk......",
    "....kkWWWWWWkk....",
    "...kWWWkkkkWWWk...",
    "..kWWWkWWWWkWWWk..",
    "..kWWkWgkkgWkWWk..",
    ".kWWWkWkkkkWkWWWk.",
    ".kWWWWkWggWkWWWWk.",
    ".kgWWWWkkkkWWWWgk.",
    ".kkkkkkkkkkkkkkkk.",
]
FLOPPY = [
    "kkkkkkkkkkkkkkk.",
    "kDDSSSSSSSSSDDDk",
    "kDDSSSkkSSSSDDDk",
    "kDDSSSkkSSSSDDDk",
    "kDDSSSkkSSSSDDDk",
    "kDDSSSSSSSSSDDDk",
    "kDDDDDDDDDDDDDDk",
    "kDWWWWWWWWWWWWDk",
    "kDWggggggggggWDk",
    "kDWWWWWWWWWWWWDk",
    "kDWggggggggggWDk",
    "kDWWWWWWWWWWWWDk",
    "kDWggggggWWWWWDk",
    "kDWWWWWWWWWWWWDk",
    "kDDDDDDDDDDDDDDk",
    "kkkkkkkkkkkkkkkk",
]
ARROW = [
    "..........kk",
    "........kkWk",
    "......kkWWWk",
    "....kkWWWWWk",
    "..kkWWWWWWWk",
    "kkWWWWWWWWWk",
    "kgWWWWWWWWWk",
    "..kkgWWWWWWk",
    "....kkggWWWk",
    "......kkggWk",
    "........kkgk",
    "..........kk",
]
LANTERN = [
    "......kkkk......",
    ".....k....k.....",
    ".....k....k.....",
    "...kkkkkkkkkk...",
    "...kSSSSSSSSk...",
    "....kYYYYYYk....",
    "....kYWWWWYk....",
    "....kYWWWWYk....",
    "....kYWWWWYk....",
    "....kYYWWYYk....",
    "....kYYYYYYk....",
    "....kyYYYYyk....",
    "...kkkkkkkkkk...",
    "...kSSSSSSSSk...",
    "....kkkkkkkk....",
]

# Button colours: the page is dark blue (#10182a) with cream text.
INK, SHADOW, OUTLINE = (248, 242, 212), (12, 14, 20), (8, 8, 12)


def shades(top, bottom, n):
    return [tuple(round(a + (b - a) * i / (n - 1)) for a, b in zip(top, bottom)) for i in range(n)]


def button(w, h, label, icon, icon_colours, top, bottom, scale=1, box=24, frame=None):
    """A raised button: a banded gradient from top to bottom colour, a light
    edge at the top and left, a dark one at the bottom and right, the icon
    centred in a box at the left and the label centred in the rest. With a
    frame colour it is a flat panel in that frame instead (the logo, which is
    no link)."""
    bands = 5
    light = tuple(min(255, c + 70) for c in top)
    dark = tuple(c // 3 for c in bottom)
    if frame:
        light = dark = frame
    colours = [OUTLINE, INK, SHADOW, light, dark] + shades(top, bottom, bands)
    key = {"k": 0}
    for ch, c in icon_colours.items():
        key[ch] = len(colours)
        colours.append(c)
    pic = Picture(w, h, colours)
    for y in range(h):
        band = 5 + min(bands - 1, (y - 1) * bands // (h - 2)) if 0 < y < h - 1 else 5
        for x in range(w):
            pic.px[y][x] = band
    for x in range(w):
        pic.px[0][x], pic.px[h - 1][x] = 3, 4
    for y in range(h):
        pic.px[y][0], pic.px[y][w - 1] = 3, 4
    pic.px[h - 1][0] = 4
    iw, ih = max(len(r) for r in icon) * scale, len(icon) * scale
    # The icon centred in a box at x 1..box, the label in what is left.
    ix = 1 + (box - iw + 1) // 2
    iy = (h - ih + 1) // 2
    pic.art(ix, iy, icon, key, scale)
    x_text = box + 1 + (w - 2 - box - text_width(label)) // 2
    assert x_text >= box + 2 and x_text + text_width(label) + 1 <= w - 2, label
    pic.text(x_text, (h - CAP) // 2, label, 1, 2)
    return pic


GOLD = {"Y": (232, 196, 72), "y": (168, 124, 32), "W": (255, 244, 176)}
PAPER = {"W": (240, 240, 232), "g": (120, 136, 168)}
HANDSET = {"W": (236, 226, 196), "g": (150, 128, 110)}
DISK = {"D": (36, 48, 96), "S": (196, 200, 208), "W": (240, 240, 232), "g": (140, 150, 170)}
GREY = {"W": (200, 200, 200), "g": (130, 130, 130)}
LAMP = {"S": (120, 120, 128), "Y": (232, 176, 56), "y": (170, 110, 30), "W": (255, 240, 150)}

PICTURES = {
    "buy.gif": lambda: button(88, 31, "Buy now", COIN, GOLD, (58, 112, 58), (24, 56, 26)),
    "mail.gif": lambda: button(88, 31, "By mail", ENVELOPE, PAPER, (56, 74, 118), (22, 30, 52)),
    "phone.gif": lambda: button(88, 31, "By phone", TELEPHONE, HANDSET, (112, 50, 50), (52, 22, 24)),
    "disk.gif": lambda: button(88, 31, "On disk", FLOPPY, DISK, (98, 98, 56), (46, 46, 24)),
    "back.gif": lambda: button(88, 31, "Back", ARROW, GREY, (96, 96, 96), (40, 40, 40)),
    "velmora.gif": lambda: button(120, 40, "Velmora", LANTERN, LAMP, (40, 56, 96), (14, 20, 38), 2, 40, LAMP["y"]),
}


def declared_sizes(root):
    sizes = {}
    path = os.path.join(root, "payload", "manifest.def")
    with open(path, encoding="ascii") as f:
        for line in f:
            m = re.match(r'MANIFEST_ROW\(\d+, *"([^"]+)", *(\d+),', line)
            if m:
                sizes[m.group(1)] = int(m.group(2))
    return sizes


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    declared = declared_sizes(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    too_big = False
    for name, draw in PICTURES.items():
        data = draw().gif()
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        limit = declared.get(name)
        note = "" if limit is None else f" (declared {limit})"
        if limit is not None and len(data) > limit:
            note += ": TOO BIG"
            too_big = True
        print(f"{name}: {len(data)} bytes{note}")
    sys.exit(1 if too_big else 0)
