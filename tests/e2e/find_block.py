#!/usr/bin/python3
"""Tells whether the top-right block of a rendered line appears, pixel for
pixel, somewhere in a screenshot.

    find_block.py SCREENSHOT.ppm RENDER.ppm WIDTH HEIGHT [--sharp]

Both files are binary PPM (ImageMagick's `convert x.png ppm:-`). The block is
the WIDTH x HEIGHT pixels at the render's top-right corner. Exit status 0 and
the position when found, 1 when not. With --sharp the block must also not be
made of uniform 2 x 2 squares (aligned to its corner), as a picture blown up
to twice its size is.
"""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    assert fields[0] == b"P6" and fields[3] == b"255", "binary 8-bit PPM expected"
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:pos + width * height * 3]


def main():
    sw, sh, shot = read_ppm(sys.argv[1])
    rw, rh, render = read_ppm(sys.argv[2])
    bw, bh = int(sys.argv[3]), int(sys.argv[4])
    rows = [render[(y * rw + rw - bw) * 3:(y * rw + rw) * 3] for y in range(bh)]
    if "--sharp" in sys.argv[5:] and all(
            rows[y][x * 3:x * 3 + 6] == rows[y][x * 3 + 3:x * 3 + 6] * 2 == rows[y + 1][x * 3:x * 3 + 6]
            for y in range(0, bh - 1, 2) for x in range(0, bw - 1, 2)):
        print("the block is made of uniform 2 x 2 squares")
        return 1
    first = rows[0]
    for y in range(sh - bh + 1):
        line = shot[y * sw * 3:(y + 1) * sw * 3]
        start = line.find(first)
        while start != -1:
            if start % 3 == 0:
                x = start // 3
                if x + bw <= sw and all(
                        shot[((y + k) * sw + x) * 3:((y + k) * sw + x + bw) * 3] == rows[k]
                        for k in range(1, bh)):
                    print("found at %d,%d" % (x, y))
                    return 0
            start = line.find(first, start + 1)
    print("not found")
    return 1


if __name__ == "__main__":
    sys.exit(main())
