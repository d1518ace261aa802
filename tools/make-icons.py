#!/usr/bin/env python3
"""Renders the application icon into resources/icons/hicolor: the 16 and 32 pixel images from
their hand-drawn XPM files, pixel for pixel; every other size from the scalable drawing
(needs rsvg-convert, from librsvg2-bin). Run it after changing either; the results are kept in
the repository, so a build needs neither."""

import pathlib
import struct
import subprocess
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
ICONS = ROOT / "resources" / "icons"
NAME = "quorvane-setup"
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
PIXEL_ART = {16: "quorvane16.xpm", 32: "quorvane32.xpm"}


def read_xpm(path):
    rows = [line.strip().rstrip(",").strip('"') for line in path.read_text().splitlines()
            if line.strip().startswith('"')]
    width, height, colours, per_pixel = (int(n) for n in rows[0].split()[:4])
    palette = {}
    for row in rows[1:1 + colours]:
        key, spec = row[:per_pixel], row[per_pixel:].split()
        value = spec[spec.index("c") + 1]
        palette[key] = None if value.lower() == "none" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    pixels = []
    for row in rows[1 + colours:1 + colours + height]:
        line = []
        for x in range(width):
            colour = palette[row[x * per_pixel:(x + 1) * per_pixel]]
            line.append((0, 0, 0, 0) if colour is None else colour + (255,))
        pixels.append(line)
    return width, height, pixels


def write_png(path, width, height, pixels):
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in pixels)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    path.write_bytes(b"\x89PNG\r\n\x1a\n"
                     + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    svg = ICONS / f"{NAME}.svg"
    for size in SIZES:
        folder = ICONS / "hicolor" / f"{size}x{size}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        target = folder / f"{NAME}.png"
        if size in PIXEL_ART:
            width, height, pixels = read_xpm(ROOT / "resources" / PIXEL_ART[size])
            assert (width, height) == (size, size)
            write_png(target, width, height, pixels)
        else:
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", str(target),
                            str(svg)], check=True)
        print(target.relative_to(ROOT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
