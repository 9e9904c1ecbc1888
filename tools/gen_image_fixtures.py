#!/usr/bin/python3
"""Writes the small BMP and JPEG files of tests/assets/data with Pillow, an
encoder independent of the engine, and next to each the pixels Pillow reads
back from it (.bgra: blue, green, red, alpha per pixel, rows top-down).

Run it again only to change the fixtures; the files are committed.
usage: tools/gen_image_fixtures.py [OUT_DIR]
"""
import os
import sys

from PIL import Image

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "tests", "assets", "data")
W, H = 13, 7


def picture():
    image = Image.new("RGBA", (W, H))
    for y in range(H):
        for x in range(W):
            image.putpixel((x, y), ((x * 19) % 256, (y * 37) % 256, (x * y * 11) % 256,
                                    255 - (x + y) * 9))
    return image


def dump(path):
    with Image.open(path) as image:
        rgba = image.convert("RGBA")
        data = bytearray()
        for y in range(rgba.height):
            for x in range(rgba.width):
                r, g, b, a = rgba.getpixel((x, y))
                data += bytes((b, g, r, a))
    with open(path + ".bgra", "wb") as f:
        f.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    base = picture()
    files = {
        "pillow_rgb24.bmp": lambda p: base.convert("RGB").save(p),
        "pillow_rgba32.bmp": lambda p: base.save(p),
        "pillow_gray8.bmp": lambda p: base.convert("L").save(p),
        "pillow_palette8.bmp": lambda p: base.convert("RGB").quantize(16).save(p),
        "pillow_bilevel1.bmp": lambda p: base.convert("1").save(p),
        "pillow_color.jpg": lambda p: base.convert("RGB").save(p, quality=92),
        "pillow_progressive.jpg": lambda p: base.convert("RGB").save(
            p, quality=85, progressive=True, subsampling=2),
        "pillow_gray.jpg": lambda p: base.convert("L").save(p, quality=90),
    }
    for name, write in files.items():
        path = os.path.join(OUT, name)
        write(path)
        dump(path)


if __name__ == "__main__":
    main()
