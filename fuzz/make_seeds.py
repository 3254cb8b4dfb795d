#!/usr/bin/env python3
"""Writes the hand-made seed files of the fuzz corpora: small well-formed inputs of each
reader and broken ones (truncated, lying sizes, negative heights, zero planes, ...)."""
import os
import struct
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(target, name, data):
    with open(os.path.join(root, target, name), "wb") as f:
        f.write(data)


def bmp(w, h, bpp, pixels=None, colours=None, info=40, compression=0, masks=b"",
        planes=1, off=None, size=None, clr_used=None):
    row = ((w * bpp + 31) // 32) * 4
    absh = abs(h)
    if pixels is None:
        pixels = bytes((i * 37 + 11) & 0xFF for i in range(row * absh))
    pal = b""
    if bpp <= 8:
        n = colours if colours is not None else (1 << bpp)
        entry = 3 if info == 12 else 4
        pal = b"".join(bytes([(i * 40) & 255, (i * 90) & 255, (i * 150) & 255, 0][:entry])
                       for i in range(n))
    if info == 12:
        head = struct.pack("<IHHHH", 12, w, h & 0xFFFF, planes, bpp)
    else:
        head = struct.pack("<IiiHHIIiiII", 40, w, h, planes, bpp, compression, len(pixels),
                           2835, 2835, clr_used if clr_used is not None else 0, 0)
        if info > 40:
            head = struct.pack("<I", info) + head[4:] + masks.ljust(info - 40, b"\0")
            masks = b""
    offset = 14 + len(head) + len(masks) + len(pal)
    body = head + masks + pal + pixels
    total = 14 + len(body)
    return (b"BM" + struct.pack("<IHHI", size if size is not None else total, 0, 0,
                                off if off is not None else offset) + body)


def bitmaps():
    put("bitmap", "rgb24.bmp", bmp(5, 3, 24))
    put("bitmap", "rgb24_topdown.bmp", bmp(4, -3, 24))
    put("bitmap", "pal8.bmp", bmp(6, 4, 8, pixels=bytes(i % 16 for i in range(32)), colours=16,
                                 clr_used=16))
    put("bitmap", "pal8_index_past_palette.bmp", bmp(6, 4, 8, colours=16, clr_used=16))
    put("bitmap", "pal8_full.bmp", bmp(3, 3, 8))
    put("bitmap", "pal4.bmp", bmp(7, 2, 4))
    put("bitmap", "mono.bmp", bmp(9, 2, 1))
    put("bitmap", "rgb555.bmp", bmp(4, 4, 16))
    put("bitmap", "rgb565_fields.bmp",
        bmp(4, 2, 16, compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
    put("bitmap", "argb32_v4.bmp",
        bmp(3, 3, 32, info=108, compression=3,
            masks=struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000)))
    put("bitmap", "rgb32.bmp", bmp(2, 2, 32))
    put("bitmap", "core12_pal8.bmp", bmp(4, 2, 8, info=12))
    good = bmp(8, 8, 24)
    put("bitmap", "truncated_header.bmp", good[:30])
    put("bitmap", "truncated_pixels.bmp", good[:len(good) - 40])
    put("bitmap", "huge_size.bmp", bmp(16384, 16384, 24, pixels=b"\x10" * 64))
    put("bitmap", "negative_width.bmp", bmp(-4, 4, 24, pixels=b"\x20" * 48))
    put("bitmap", "most_negative_height.bmp", bmp(4, -2147483648, 24, pixels=b"\x20" * 48))
    put("bitmap", "zero_planes.bmp", bmp(4, 4, 24, planes=0))
    put("bitmap", "offset_past_end.bmp", bmp(4, 4, 24, off=100000))
    put("bitmap", "too_many_colours.bmp", bmp(2, 2, 8, colours=4, clr_used=4000))
    put("bitmap", "rle8.bmp", bmp(4, 4, 8, compression=1))


def fonts():
    # A strip of 94 one-to-three column glyphs on pure blue, 5 rows high, 24 bits.
    cols = []
    for g in range(94):
        cols += [(255, 255, 255)] * (1 + g % 3) + [(0, 0, 255)]
    w, h = len(cols), 5
    row = ((w * 3 + 3) // 4) * 4
    pixels = b"".join(b"".join(bytes([b, g, r]) for (r, g, b) in cols).ljust(row, b"\0")
                      for _ in range(h))
    put("font", "strip94.bmp", bmp(w, h, 24, pixels=pixels))
    short = cols[: len(cols) // 3]
    w2 = len(short)
    row2 = ((w2 * 3 + 3) // 4) * 4
    pixels2 = b"".join(b"".join(bytes([b, g, r]) for (r, g, b) in short).ljust(row2, b"\0")
                       for _ in range(h))
    put("font", "strip_partial.bmp", bmp(w2, h, 24, pixels=pixels2))
    put("font", "all_blue.bmp", bmp(3, 2, 24, pixels=(b"\xff\x00\x00" * 3).ljust(12, b"\0") * 2))
    put("font", "truncated.bmp", bmp(w, h, 24, pixels=pixels)[:60])


def profiles():
    put("profile", "options.ini",
        b"[setup]\r\nplayerid=2\r\n\r\n[Player3]\r\nname=Ada\r\naddress=1 Lane\r\n"
        b"email=ada@example.org\r\nsend=1\r\n[Player1]\r\nname=Bo\r\n")
    put("profile", "out_of_range.ini", b"[setup]\nplayerid=-7\n[Player8]\nname=x\n")
    put("profile", "long_values.ini",
        b"[setup]\nplayerid=0\n[Player1]\nname=" + b"N" * 400 + b"\naddress=" + b"A" * 300 +
        b"\nemail=" + b"E" * 300 + b"\nsend=99999999999999999999\n")
    put("profile", "odd_syntax.ini",
        b"; comment\n[ setup ]\n  playerid = 1 \n[Player2\nname\n=novalue\n[]\n=\n[Player2]\n"
        b"NAME=Case\n\x00[setup]\nplayerid=3\n")
    put("profile", "no_newline.ini", b"[setup]\nplayerid=4")


def scores():
    rows = b"".join((b"Player %d" % i).ljust(256, b"\0") + struct.pack("<i", 2000 - i * 50)
                    for i in range(20))
    put("scores", "table20.dat", struct.pack("<i", 20) + rows)
    put("scores", "unterminated_names.dat",
        struct.pack("<i", 20) + (b"Z" * 256 + struct.pack("<i", -5)) * 20)
    put("scores", "short.dat", struct.pack("<i", 20) + rows[:1000])
    put("scores", "wrong_count.dat", struct.pack("<i", 5) + rows[:5 * 260])
    put("scores", "negative_count.dat", struct.pack("<i", -20) + rows)
    put("scores", "huge_count.dat", struct.pack("<i", 0x7FFFFFFF) + rows[:520])


def moves():
    seq = [(0, 0), (1, 1), (2, 0), (2, 1), (0, 1), (1, 0)]
    put("moves", "six.dat", struct.pack("<i", 6) + b"".join(struct.pack("<ii", *m) for m in seq))
    put("moves", "bad_ring.dat",
        struct.pack("<i", 3) + struct.pack("<ii", 1, 0) + struct.pack("<ii", 7, 0) +
        struct.pack("<ii", 0, 0))
    put("moves", "count_too_big.dat",
        struct.pack("<i", 0x7FFFFFFF) + struct.pack("<ii", 2, -1) * 3)
    put("moves", "negative_count.dat", struct.pack("<i", -1) + struct.pack("<ii", 0, 0))
    put("moves", "half_record.dat", struct.pack("<i", 2) + struct.pack("<ii", 1, 1) + b"\x01\x00")
    # A resumed game's file with every block after its moves: its row, the row on its way
    # into the table and the hint's plan.
    row = struct.pack("<i", 1000) + b"Player1:::Y".ljust(256, b"\0")
    put("moves", "blocks.dat",
        struct.pack("<i", 2) + struct.pack("<iiii", 0, 0, 2, 1) + b"HOFE" + row + b"HOFP" +
        struct.pack("<i", 1) + row + b"HINT" + struct.pack("<ii", 2, 3) +
        struct.pack("<iiiiii", 1, 0, 2, 0, 0, 1))


def score_moves():
    # hiscore.moves: two rows (the second's moves empty), then broken ones.
    def row(score, name, moves):
        return (struct.pack("<i", score) + name.ljust(256, b"\0") + struct.pack("<i", len(moves))
                + bytes(moves))
    two = row(400, b"Player1:::N", [0, 5, 2]) + row(90, b"Bo:a:b@c:Y", [])
    head = b"HMOV" + struct.pack("<ii", 1, 2)
    put("score_moves", "two_rows.moves", head + two)
    put("score_moves", "bad_code.moves", head + row(400, b"A", [0, 6]) + two)
    put("score_moves", "cut_short.moves", (head + two)[:-3])
    put("score_moves", "huge_count.moves", b"HMOV" + struct.pack("<ii", 1, 0x7FFFFFFF) + two)
    put("score_moves", "huge_moves.moves", head + struct.pack("<i", 7) + b"X".ljust(256, b"\0")
        + struct.pack("<i", 0x7FFFFFF0) + b"\0\1")
    put("score_moves", "unterminated.moves", head + row(5, b"n" * 256, [1]) + row(4, b"m", [2]))
    put("score_moves", "version2.moves", b"HMOV" + struct.pack("<ii", 2, 2) + two)


def imagesets():
    put("imageset", "two.ini",
        b"[images]\nimage01=logo\nimage02=pic\n[logo]\nfile=a.bmp\nx=10\ny=20\n"
        b"[pic]\nx=-5\ny=99999999999\n")
    put("imageset", "missing_file.ini", b"[images]\nimage01=gone\n[gone]\nfile=nothere.bmp\n")
    put("imageset", "long_names.ini",
        b"[images]\nimage01=" + b"s" * 300 + b"\n[" + b"s" * 300 + b"]\nfile=" + b"f" * 300 +
        b"\nx=1\n")
    put("imageset", "gap.ini", b"[images]\nimage01=a\nimage03=a\n[a]\nfile=a.bmp\n")
    put("imageset", "self.ini", b"[images]\nimage01=images\nimage02=images\n")


def uploads():
    mask = 0x3C3C3C3
    put("upload", "plain.txt", b"game=Tintaro&name=Ada%3A1%20Road%3Aada%40example.org%3AY&score=" +
        str(31400 ^ mask).encode())
    put("upload", "moves.txt", b"game=Tintaro&name=Bo&score=" + str(700 ^ mask).encode() +
        b"&moves=0124530")
    put("upload", "latin1.txt", b"game=Tintaro&name=J%f6rg%0A+%E9%7F%C2::x:N&score=63161288")
    put("upload", "tricky.txt", b"game=Tintaro&name=Bo%26score%3D9999999&score=-2147483648&x")
    put("upload", "escapes.txt", b"game=Tin%2&name=%%41&score=063161284&moves=&moves=6")
    put("upload", "digits.txt", b"0123450123452105")
    # The solver's game from the start layout, with the score it earns, and the same moves
    # going on after the puzzle is solved: random changes rarely reach a solved board.
    solved = b"22130312131115000040555502222213333344441113333331111113333331114440000031111125555533355222444422225552444333334444111550005522220000222111122222"
    put("upload", "solved.txt", b"game=Tintaro&name=Cy&score=" + str(1785350 ^ mask).encode() +
        b"&moves=" + solved)
    put("upload", "after_solved.txt", b"game=Tintaro&name=Cy&score=" +
        str(1785350 ^ mask).encode() + b"&moves=" + solved + b"0")


if __name__ == "__main__":
    bitmaps()
    fonts()
    profiles()
    scores()
    moves()
    score_moves()
    imagesets()
    uploads()
    sys.exit(0)
