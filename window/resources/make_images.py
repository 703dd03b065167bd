# Draws the lock's icons, its logo and the installer's pictures as pixel art and writes them beside it.
"""Writes torvelt.ico (padlock), picture2.ico (key), picture1.gif (shield and "WS") and
installer-header.bmp and installer-side.bmp (the padlock for the installer pages' header and for
its last page).

The pictures are kept as character art so that a change to them is a readable diff; the
output is byte-for-byte reproducible. Run from anywhere: python3 window/resources/make_images.py
"""

import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent

# The classic Windows 16-colour palette, in the order 4-bit icons index it.
WINDOWS_16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

TRANSPARENT = "."

# Character -> index into WINDOWS_16. A transparent pixel is black in the colour bitmap and
# set in the mask, so that Windows shows what lies beneath it.
ICON_INKS = {TRANSPARENT: 0, "K": 0, "o": 3, "l": 7, "g": 8, "Y": 11, "w": 15}

PADLOCK_32 = """
................................
................................
................................
.............KKKKKK.............
...........KKwwwlllKK...........
..........KwwwlllllggK..........
.........KwwllllllllggK.........
........KwlllllllllllggK........
........KwlllgKKKKwlllgK........
.......KwlllgK....KwlllgK.......
.......KwllgK......KwllgK.......
.......KwllgK......KwllgK.......
.......KwllgK......KwllgK.......
.....KKKwllgKKKKKKKKwllgKKK.....
....KwwwwwwwwwwwwwwwwwwwwwoK....
....KwYYYYYYYYYYYYYYYYYYYooK....
....KwYYYYYYYYYYYYYYYYYYYooK....
....KwYYYYYYYYKKKKYYYYYYYooK....
....KwYYYYYYYKKKKKKYYYYYYooK....
....KwYYYYYYYKKKKKKYYYYYYooK....
....KwYYYYYYYYKKKKYYYYYYYooK....
....KwYYYYYYYYYKKYYYYYYYYooK....
....KwYYYYYYYYYKKYYYYYYYYooK....
....KwYYYYYYYYYKKYYYYYYYYooK....
....KwYYYYYYYYYKKYYYYYYYYooK....
....KwYYYYYYYYKKKKYYYYYYYooK....
....KwYYYYYYYYYYYYYYYYYYYooK....
....KwYYYYYYYYYYYYYYYYYYYooK....
....KooooooooooooooooooooooK....
.....KKKKKKKKKKKKKKKKKKKKKK.....
................................
................................
"""

PADLOCK_16 = """
................
......KKKK......
.....KwlllK.....
....KwllllgK....
...KwlKKKKlgK...
...KwlK..KlgK...
...KwlK..KlgK...
...KwlKKKKlgK...
..KwwwwwwwwwwK..
..KwYYYKKYYYoK..
..KwYYKKKKYYoK..
..KwYYKKKKYYoK..
..KwYYYKKYYYoK..
..KwYYYKKYYYoK..
..KooooooooooK..
...KKKKKKKKKK...
"""

KEY_32 = """
................................
................................
................................
................................
................................
................................
................................
................................
......KKKKKKK...................
.....KwwwwwwwK..................
....KwYYYYYYYwK.................
...KwYYYYYYYYYwK................
..KwYYYYoooYYYYoK...............
..KwYYYoKKKwYYYoKKKKKKKKKKKKKK..
.KwYYYoK...KwYYYwwwwwwwwwwwwwwK.
.KwYYYoK...KwYYYYYYYYYYYYYYYYoK.
.KwYYYoK...KwYYYYYYYYYYYYYYYYoK.
.KwYYYoK...KwYYYooooooYYYoYYYoK.
..KwYYYwKKKwYYYoKKKKKKwYoKwYYoK.
..KwYYYYwwwYYYYoK....KwYoKwYYoK.
...KwYYYYYYYYYoK.....KwYoKwYYoK.
....KwYYYYYYYoK......KwooKwYYoK.
.....KwooooooK........KKKKwYYoK.
......KKKKKKK............KwoooK.
..........................KKKK..
................................
................................
................................
................................
................................
................................
................................
"""

KEY_16 = """
................
................
................
................
..KKKK..........
.KwwwwK.........
KwYKKYoKKKKKKKK.
KwK..KYwwwwwwwoK
KYK..KYYYYYYYYoK
KYoKKYoKKKYoKYoK
.KooooK..KooKYoK
..KKKK....KK.ooK
.............KK.
................
................
................
"""

# Logo colours. Index 0 is the transparent one; unused entries stay black.
LOGO_INKS = {
    TRANSPARENT: (0, 0, 0),
    "O": (16, 36, 72),  # shield outline, deep navy
    "G": (214, 168, 48),  # gold rim
    "b": (58, 108, 181),  # lit half of the shield
    "B": (36, 80, 143),  # shaded half of the shield, and the letters
    "W": (255, 255, 255),  # keyhole
}

LOGO = """
OOOOOOOOOOOOOOOOOOO...............................
OGGGGGGGGGGGGGGGGGO...............................
OGbbbbbbbbBBBBBBBGO...............................
OGbbbbbbbbBBBBBBBGO...............................
OGbbbbbbbbBBBBBBBGO...............................
OGbbbbbbbbBBBBBBBGO..BBB.........BBB......BBBBBB..
OGbbbbbbWWWBBBBBBGO..BBB.........BBB....BBBBBBBBBB
OGbbbbbWWWWWBBBBBGO..BBB.........BBB...BBBB....BBB
OGbbbbbWWWWWBBBBBGO..BBB....B....BBB...BBB......B.
OGbbbbbWWWWWBBBBBGO...BBB..BBB..BBB....BBBB.......
OGbbbbbbWWWBBBBBBGO...BBB..BBB..BBB.....BBBBBBB...
OGbbbbbbWWWBBBBBBGO...BBB.BBBBB.BBB......BBBBBBBB.
OGGbbbbbWWWBBBBBGGO...BBB.BB.BB.BBB........BBBBBBB
.OGbbbbWWWWWBBBBGO.....BBBBB.BBBBB............BBBB
.OGbbbbWWWWWBBBBGO.....BBBB...BBBB......B......BBB
.OGGbbbbbbBBBBBGGO.....BBBB...BBBB.....BBB....BBBB
..OGbbbbbbBBBBBGO......BBB.....BBB.....BBBBBBBBBB.
..OGGbbbbbBBBBGGO.......B.......B........BBBBBB...
...OGbbbbbBBBBGO..................................
...OGGGbbbBBGGGO..................................
....OOGGGbGGGOO...................................
......OOGGGOO.....................................
........OOO.......................................
"""

# MUI's header bitmap at 96 DPI; the padlock sits at its right, where MUI otherwise shows an icon.
HEADER_SIZE = (150, 57)
HEADER_SCALE = 2
HEADER_MARGIN = 6
# MUI's finish page bitmap at 96 DPI, down its left side; the padlock near its top.
SIDE_SIZE = (164, 314)
SIDE_SCALE = 4
SIDE_TOP = 40
WHITE = (0xFF, 0xFF, 0xFF)

LOGO_PALETTE_SIZE = 256
MAX_LZW_CODES = 4096


def parse_art(art, width, height):
    """Splits character art into rows and checks its size, so a slip in editing fails loudly."""
    rows = art.strip("\n").split("\n")
    if len(rows) != height or any(len(row) != width for row in rows):
        raise ValueError(f"art is not {width}x{height}: {[len(row) for row in rows]}")
    return rows


def ico_image(rows):
    """A 4-bit DIB as an .ico stores it: header, palette, colour bitmap, then 1-bit mask."""
    size = len(rows)
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # DIBs run bottom-up
        inks = [ICON_INKS[ch] for ch in row]
        packed = bytes(inks[i] << 4 | inks[i + 1] for i in range(0, size, 2))
        colour += packed.ljust(colour_stride, b"\0")
        bits = "".join("1" if ch == TRANSPARENT else "0" for ch in row)
        mask += int(bits, 2).to_bytes(size // 8, "big").ljust(mask_stride, b"\0")
    # The height covers colour bitmap and mask together, hence doubled.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in WINDOWS_16)
    return header + palette + bytes(colour) + bytes(mask)


def ico_file(arts):
    images = [ico_image(rows) for rows in arts]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    for rows, image in zip(arts, images):
        size = len(rows)
        directory += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


def padlock_bmp(rows, size, scale, place):
    """A 24-bit BMP of the padlock, cropped to its pixels and scaled up, on white; `place` gives
    its top left corner from the scaled padlock's width and height."""
    rows = [row for row in rows if row.strip(TRANSPARENT)]
    first = min(len(row) - len(row.lstrip(TRANSPARENT)) for row in rows)
    rows = [row[first:max(len(row.rstrip(TRANSPARENT)) for row in rows)] for row in rows]
    width, height = size
    left, top = place(scale * len(rows[0]), scale * len(rows))

    def colour(x, y):
        col, row = (x - left) // scale, (y - top) // scale
        inside = 0 <= row < len(rows) and 0 <= col < len(rows[0])
        ch = rows[row][col] if inside else TRANSPARENT
        return WHITE if ch == TRANSPARENT else WINDOWS_16[ICON_INKS[ch]]

    stride = (width * 3 + 3) // 4 * 4
    pixels = b"".join(  # bottom-up, blue green red
        b"".join(bytes(colour(x, y)[::-1]) for x in range(width)).ljust(stride, b"\0")
        for y in reversed(range(height)))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info)) + \
        info + pixels


class BitWriter:
    """Packs variable-width codes least significant bit first, as GIF does."""

    def __init__(self):
        self.data = bytearray()
        self.accumulator = 0
        self.count = 0

    def write(self, code, width):
        self.accumulator |= code << self.count
        self.count += width
        while self.count >= 8:
            self.data.append(self.accumulator & 0xFF)
            self.accumulator >>= 8
            self.count -= 8

    def finish(self):
        if self.count:
            self.data.append(self.accumulator & 0xFF)
        return bytes(self.data)


def lzw_encode(indices, min_code_size):
    """GIF's LZW: codes widen as the table grows and a clear code restarts a full table."""
    clear = 1 << min_code_size
    end = clear + 1

    def fresh_table():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = fresh_table()
    out = BitWriter()
    out.write(clear, width)
    prefix = bytes(indices[:1])
    for index in indices[1:]:
        candidate = prefix + bytes([index])
        if candidate in table:
            prefix = candidate
            continue
        out.write(table[prefix], width)
        if next_code < MAX_LZW_CODES:
            table[candidate] = next_code
            next_code += 1
            # A reader adds each entry one code later than we do, so it widens one code later.
            if next_code > 1 << width and width < 12:
                width += 1
        else:
            out.write(clear, width)
            table, next_code, width = fresh_table()
        prefix = bytes([index])
    out.write(table[prefix], width)
    # The reader adds an entry on that last code too, and may widen before the end code.
    if next_code == 1 << width and width < 12:
        width += 1
    out.write(end, width)
    return out.finish()


def sub_blocks(data):
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return blocks + b"\0"


def gif_file(rows, inks):
    width, height = len(rows[0]), len(rows)
    keys = list(inks)
    colours = [inks[key] for key in keys]
    colours += [(0, 0, 0)] * (LOGO_PALETTE_SIZE - len(colours))
    indices = [keys.index(ch) for row in rows for ch in row]
    transparent = keys.index(TRANSPARENT)
    min_code_size = 8

    screen = struct.pack("<HHBBB", width, height, 0xF7, transparent, 0)  # 256-entry table
    palette = b"".join(bytes(rgb) for rgb in colours)
    control = struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, transparent, 0)
    descriptor = struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    pixels = bytes([min_code_size]) + sub_blocks(lzw_encode(indices, min_code_size))
    return b"GIF89a" + screen + palette + control + descriptor + pixels + b"\x3B"


def main():
    padlock = [parse_art(PADLOCK_32, 32, 32), parse_art(PADLOCK_16, 16, 16)]
    key = [parse_art(KEY_32, 32, 32), parse_art(KEY_16, 16, 16)]
    (HERE / "torvelt.ico").write_bytes(ico_file(padlock))
    (HERE / "picture2.ico").write_bytes(ico_file(key))
    (HERE / "picture1.gif").write_bytes(gif_file(parse_art(LOGO, 50, 23), LOGO_INKS))
    (HERE / "installer-header.bmp").write_bytes(padlock_bmp(
        padlock[0], HEADER_SIZE, HEADER_SCALE,
        lambda width, height: (HEADER_SIZE[0] - HEADER_MARGIN - width, (HEADER_SIZE[1] - height) // 2)))
    (HERE / "installer-side.bmp").write_bytes(padlock_bmp(
        padlock[0], SIDE_SIZE, SIDE_SCALE, lambda width, height: ((SIDE_SIZE[0] - width) // 2, SIDE_TOP)))


if __name__ == "__main__":
    main()
