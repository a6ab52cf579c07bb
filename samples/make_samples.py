#!/usr/bin/env python3
"""Writes the bundled sample patterns (made by us, for the README and manual checks).

    python3 samples/make_samples.py      # rewrites samples/*.qli and *.hqv
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def loops_and_flower(radians, scale):
    """Rows of loop-de-loops below a six-petal flower, in QLI records, 12
    inches wide: scale takes the drawing's 48 steps to the format's unit.

    Coordinates are absolute within each vector; "VE" makes the next vector
    relative to the end of this one, so every block starts from (0, 0)."""
    ang = (lambda d: d * math.pi / 180.0) if radians else (lambda d: d)
    # The reader starts every pattern at (0, 0); a pen-up keeps that point
    # from being joined to the first row.
    lines = ["#CAD2DMC", "CS", "VMXY", "BGS"]
    origin = [0.0, 0.0]  # where the previous vector ended, in file coordinates
    last = [0.0, 0.0]

    def vp(x, y):
        lines.append("VP %.4f,%.4f" % ((x - origin[0]) * scale, (y - origin[1]) * scale))
        last[:] = [x, y]

    def end_vector():
        lines.extend(["VE", "BGS", "AMS"])
        origin[:] = last

    # Three rows of loop-de-loops, each row one stroke; a loop is a full
    # circle upward, entered at its bottom (start angle 270 degrees).
    for row in range(3):
        y = 14.0 - row * 6.0
        vp(0.0, y)
        for i in range(8):
            vp(2.0 + i * 6.0, y)
            lines.append("A,%g,%.6f,%.6f" % (1.8 * scale, ang(270.0), ang(360.0)))
            vp(6.0 + i * 6.0, y)
        end_vector()
    # A six-petal flower above them, each petal an arc of 240 degrees.
    vp(24.0, 24.0)
    for k in range(6):
        lines.append("A,%g,%.6f,%.6f" % (2.5 * scale, ang(k * 60.0 + 180.0), ang(240.0)))
        # The arc ends where the next petal begins; the reader tracks it.
    lines.extend(["VE", "BGS", "AMS", "EN"])
    return "\r\n".join(lines) + "\r\n"


def main():
    with open(os.path.join(HERE, "loops.qli"), "w", newline="") as f:
        f.write(loops_and_flower(radians=False, scale=250.0))  # thousandths of an inch
    with open(os.path.join(HERE, "loops.hqv"), "w", newline="") as f:
        f.write(loops_and_flower(radians=True, scale=0.25) + ":Thumbnail\r\nVP 99,99\r\n")


if __name__ == "__main__":
    main()
