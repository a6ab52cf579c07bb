#!/usr/bin/env python3
"""Writes the IQP fixtures beside this script: python3 make_iqp.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def records(points):
    return b"".join(struct.pack("<ff", x, y) for x, y in points)


def v1(points):
    return b"StitchV1" + bytes(88) + struct.pack("<I", len(points)) + bytes(4) + records(points)


def v2(points, variable):
    return (b"StitchV2" + bytes(20) + struct.pack("<I", len(variable)) + variable + bytes(4)
            + struct.pack("<I", 4 * len(points)) + records(points))


def main():
    files = {
        # Two strokes split by a jump record.
        "two_strokes.iqp": v1([(0, 0), (10, 0), (10, 10), (12000, 12000), (20, 0), (25, 5)]),
        "variable_block.iqp": v2([(0, 0), (5, 5), (10, 0)], b"design"),
    }
    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
