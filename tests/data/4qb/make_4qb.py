#!/usr/bin/env python3
"""Writes the 4QB fixture beside this script: python3 make_4qb.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def container(blocks, preamble=b"\x00\x7f"):
    """A 4QB file: signature, data offset, some bytes, the block count and
    the 10 01 01 start sequence, one spare byte, then the blocks. Each block
    is its length, a 44-byte header, the records and an 8-byte tail whose
    last 4 bytes are the next block's length."""
    head = b"%4qb%"
    data_at = len(head) + 4 + 3
    out = head + struct.pack("<I", data_at) + b"pad" + preamble + bytes([len(blocks), 0x10, 1, 1, 0])
    for i, points in enumerate(blocks):
        length = 44 + 8 * len(points) + 8
        out += struct.pack("<I", length) + bytes(44)
        out += b"".join(struct.pack("<ff", x, y) for x, y in points)
        if i + 1 < len(blocks):
            out += bytes(4)
    return out + bytes(4)


def main():
    blocks = [
        [(0, 0), (10, 0), (10, 10)],
        # The bad record takes back (20, 0); the stroke goes on after it.
        [(20, 0), (2e6, 0), (25, 5), (30, 0)],
        [(40, 0), (45, 5)],
    ]
    with open(os.path.join(HERE, "three_blocks.4qb"), "wb") as f:
        f.write(container(blocks))


if __name__ == "__main__":
    main()
