#!/usr/bin/env python3
"""Writes a synthetic survey: rolling ground sampled at random places, a few
breaklines along ridges and contour rings round a hill, in the text forms that
quarvelin-prepare reads. The same seed gives the same files everywhere."""
import math
import sys


def lcg(seed):
    state = seed
    while True:
        state = (state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        yield (state >> 11) / float(1 << 53)


def height(x, y):
    return 50.0 + 12.0 * math.sin(x / 170.0) * math.cos(y / 230.0) + 0.004 * x


def write_blocks(path, lines):
    with open(path, "w") as out:
        for line in lines:
            out.write("%d\n" % len(line))
            for x, y in line:
                out.write("%.3f %.3f %.3f\n" % (x, y, height(x, y)))


def main():
    count, side, folder = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
    origin_x, origin_y = 512000.0, 3375000.0
    rand = lcg(20240607)
    with open(folder + "/points.xyz", "w") as out:
        for _ in range(count):
            x = origin_x + side * next(rand)
            y = origin_y + side * next(rand)
            out.write("%.3f %.3f %.3f\n" % (x, y, height(x, y)))
    ridges = []
    for k in range(6):
        y0 = origin_y + side * (k + 1) / 7.0
        ridges.append([(origin_x + side * (0.05 + 0.9 * i / 40.0), y0 + 0.03 * side * math.sin(i / 4.0))
                       for i in range(41)])
    write_blocks(folder + "/breaklines.pl", ridges)
    centre_x, centre_y = origin_x + side * 0.5, origin_y + side * 0.5
    rings = []
    for k in range(4):
        radius = side * (0.06 + 0.05 * k)
        ring = [(centre_x + radius * math.cos(2 * math.pi * i / 60.0), centre_y + radius * math.sin(2 * math.pi * i / 60.0))
                for i in range(60)]
        rings.append(ring + ring[:1])
    write_blocks(folder + "/contours.pl", rings)


if __name__ == "__main__":
    main()
