#!/usr/bin/env python3
"""Writes straddle.dxf: 40 LINE entities (CR LF) placed after comment pairs so
that the first file buffer (64 KiB) ends between the CR and the LF of the
code line "  0" that ends LINE 20. Reading that pair crosses into the second
buffer, and putting it back (so that the next entity starts with it) goes
back into the first one.

LINE i runs from (i, i/2) to (i + 1, 100 - i) on layer "0".
"""
import sys

BUFFER = 65536
EOL = "\r\n"


def pair(code, value):
    return "%3d%s%s%s" % (code, EOL, value, EOL)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "straddle.dxf"
    body = pair(0, "SECTION") + pair(2, "ENTITIES")
    starts = []
    for i in range(40):
        starts.append(len(body))
        body += pair(0, "LINE") + pair(8, "0")
        body += pair(10, "%g" % i) + pair(20, "%g" % (i / 2)) + pair(11, "%g" % (i + 1)) + pair(21, "%g" % (100 - i))
    body += pair(0, "ENDSEC") + pair(0, "EOF")
    # The code line "  0" of LINE 21 ends LINE 20: its CR is the buffer's last byte.
    padding = BUFFER - 1 - (starts[21] + 3)
    chunks = []
    while padding > 0:
        n = min(padding - 7, 1000)  # "999" EOL text EOL
        if n < 0 or padding - (n + 7) in range(1, 8):
            n = padding - 7 - 8 if padding > 30 else padding - 7
        chunks.append("999" + EOL + "x" * n + EOL)
        padding -= n + 7
    assert padding == 0
    data = ("".join(chunks) + body).encode("ascii")
    assert data[BUFFER - 1:BUFFER + 1] == b"\r\n", data[BUFFER - 8:BUFFER + 8]
    open(out, "wb").write(data)


if __name__ == "__main__":
    main()
