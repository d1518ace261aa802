#!/usr/bin/env python3
"""Draws resources/SmallImages32.xpm, the 32-pixel versions of the nine small images, from the
16-pixel designs in resources/SmallImages.xpm: each picture on its own, by Scale2x, which doubles
every pixel but rounds off the corners of diagonal edges instead of leaving them as steps. Run it
after changing the small images; the result is kept in the repository and compiled in like them."""

import pathlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
SOURCE = ROOT / "resources" / "SmallImages.xpm"
TARGET = ROOT / "resources" / "SmallImages32.xpm"
SIZE = 16


def scale2x(rows):
    """Scale2x of one picture; outside its edges the picture's own edge pixels are taken, so that
    no picture borrows from its neighbour in the strip."""
    height, width = len(rows), len(rows[0])

    def at(x, y):
        return rows[min(max(y, 0), height - 1)][min(max(x, 0), width - 1)]

    out = [[None] * (2 * width) for _ in range(2 * height)]
    for y in range(height):
        for x in range(width):
            p, a, b, c, d = at(x, y), at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            quad = [p, p, p, p]
            if c == a and c != d and a != b:
                quad[0] = a
            if a == b and a != c and b != d:
                quad[1] = b
            if d == c and d != b and c != a:
                quad[2] = c
            if b == d and b != a and d != c:
                quad[3] = d
            out[2 * y][2 * x], out[2 * y][2 * x + 1] = quad[0], quad[1]
            out[2 * y + 1][2 * x], out[2 * y + 1][2 * x + 1] = quad[2], quad[3]
    return ["".join(row) for row in out]


def main():
    lines = SOURCE.read_text().splitlines()
    quoted = [i for i, line in enumerate(lines) if line.strip().startswith('"')]
    header = lines[quoted[0]].strip().rstrip(",").strip('"').split()
    width, height, colours = int(header[0]), int(header[1]), int(header[2])
    palette = [lines[i] for i in quoted[1:1 + colours]]
    pixels = [lines[i].strip().rstrip(",").strip('"') for i in quoted[1 + colours:]]
    pictures = [scale2x([row[x:x + SIZE] for row in pixels]) for x in range(0, width, SIZE)]
    rows = ["".join(picture[y] for picture in pictures) for y in range(2 * height)]
    text = ["/* XPM */",
            "/* The nine small images at 32x32, drawn by tools/scale-pictures.py from "
            "SmallImages.xpm. Olive is transparent. */",
            "static const char* const SmallImages32[] = {",
            f'"{2 * width} {2 * height} {colours} 1",']
    text += palette
    text += [f'"{row}",' for row in rows[:-1]] + [f'"{rows[-1]}"', "};"]
    TARGET.write_text("\n".join(text) + "\n")


if __name__ == "__main__":
    main()
