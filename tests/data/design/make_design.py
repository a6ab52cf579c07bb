#!/usr/bin/env python3
"""Writes one small design in every format we read, the way design programs
export it, beside this script: python3 make_design.py

The design, in inches with y up: two strokes,
    (0.25, 0.25) (1.75, 0.25) (1.75, 1.0)      and      (1.0, 1.0) (0.25, 1.0)
so it measures 1.5 x 0.75 in (38.1 x 19.05 mm) wherever its unit is known.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
STROKES = [[(0.25, 0.25), (1.75, 0.25), (1.75, 1.0)], [(1.0, 1.0), (0.25, 1.0)]]
MM = 25.4


def crlf(lines):
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


def qcc():
    # A name record first; command lines that scan like points.
    lines = ["n Design", "c c 1 0 0 0", "c w Black"]
    for stroke in STROKES:
        lines += ["c e s", "c p 1"] + ["p X%.3f Y%.3f" % p for p in stroke]
    return crlf(lines + ["c e e"])


def hqv():
    # Each stroke opens with a jump that carries its first point; a preview
    # follows the data.
    lines = ["#Design"]
    for stroke in STROKES:
        lines.append("J,%.5f,%.5f" % stroke[0])
        lines += ["L,%.5f,%.5f" % p for p in stroke[1:]]
    return crlf(lines + [":Thumbnail"]) + b"\x89PNG\r\n\x1a\nL,9,9\r\n"


def qli():
    # Thousandths of an inch; the moves to each stroke are travels.
    lines = ["#CAD2DMC", "CS", "VMXY", "REM design", "' exported"]
    for stroke in STROKES:
        pts = ["VP %d,%d" % (round(x * 1000), round(y * 1000)) for x, y in stroke]
        lines += ["NO NEEDLE OFF", pts[0], "NO NEEDLE ON"] + pts[1:]
    return crlf(lines + ["VE", "EN"])


def cmd_dialect():
    lines = ["Exported stitch data for Design"]
    for stroke in STROKES:
        lines += ["PU", "X%.3f Y%.3f" % stroke[0], "PD"] + ["X%.3f Y%.3f" % p for p in stroke[1:]]
    return crlf(lines + ["END", "REPEAT=NO", "PNOTE", "free text", "\xa9 1997-2022", "X9 Y9", "ENOTE"])


def ssd():
    lines = [":NAME", "Design", ":COMMENT", "12 34"]
    for stroke in STROKES:
        lines.append(":POINTSEQUENCE")
        lines += ["%.4f %.4f" % p for p in stroke]
    return crlf(lines + [":END"])


def txt():
    lines = ['"Design"', '"exported"', "aw 100", "al 100"]
    for stroke in STROKES:
        lines.append("jump position")
        lines += ["%.4f %.4f" % p for p in stroke]
    return crlf(lines)


def pat():
    lines, n = [], 1
    for stroke in STROKES:
        for k, (x, y) in enumerate(stroke):
            lines.append("N%dG%02dX%.4fY%.4f" % (n, 0 if k == 0 else 1, x, y))
            n += 1
    return crlf(lines + ["N%dM02" % n, "(a note)"])


def hqf():
    lines = []
    for stroke in STROKES:
        lines += ["%.3f %.3f %.3f %.3f" % (a + b) for a, b in zip(stroke, stroke[1:])]
    return crlf(lines)


def plt():
    # 0.025 mm plotter units, 1016 to the inch.
    cmds = ["IN", "SP1"]
    for stroke in STROKES:
        pts = ["%d,%d" % (round(x * 1016), round(y * 1016)) for x, y in stroke]
        cmds += ["PU" + pts[0], "PD" + ",".join(pts[1:])]
    return ";".join(cmds + ["PU", ""]).encode() + b"\r\n"


def iqp():
    # Tagged blocks: name, description, points (jumps are 12000), notes, end.
    recs = []
    for k, stroke in enumerate(STROKES):
        if k:
            recs.append((12000.0, 12000.0))
        recs += [(x * 2.54, y * 2.54) for x, y in stroke]
    def block(tag, data):
        return struct.pack("<II", tag, len(data)) + data
    return (b"StitchV2" + b" " * 8 + bytes(8) + block(4, b"Pattern name")
            + block(5, b"A design in two strokes, for the tests.")
            + struct.pack("<II", 7, 4 * len(recs)) + b"".join(struct.pack("<ff", *r) for r in recs)
            + block(8, b"notes") + block(1, b""))


def tenths(stroke_moves):
    """Whole 0.1 mm positions of the design: (jump?, x, y) per needle point."""
    out = []
    for stroke in STROKES:
        for k, (x, y) in enumerate(stroke):
            out.append((k == 0, round(x * MM * 10), round(y * MM * 10)))
    return out


def moves():
    x0 = y0 = 0
    for jump, x, y in tenths(STROKES):
        yield jump, x - x0, y - y0
        x0, y0 = x, y


def split(dx, dy, most):
    n = max(abs(dx), abs(dy)) // most + 1
    steps = [(dx * (i + 1) // n - dx * i // n, dy * (i + 1) // n - dy * i // n) for i in range(n)]
    return steps


def exp():
    out = b""
    for k, (jump, dx, dy) in enumerate(moves()):
        if jump and k:
            out += b"\x80\x01\x00\x00"  # a new thread for the second stroke
        for sx, sy in split(dx, dy, 127):
            out += (b"\x80\x04" if jump else b"") + struct.pack("bb", sx, sy)
    return out + b"\x80\x80\x07\x00"


def dst_record(dx, dy, flags):
    b = [0, 0, 0x03 | flags]
    bits = {  # step: (byte, bit for +, bit for -)
        "x": [(1, 0, 0, 1), (3, 1, 0, 1), (9, 0, 2, 3), (27, 1, 2, 3), (81, 2, 2, 3)],
        "y": [(1, 0, 7, 6), (3, 1, 7, 6), (9, 0, 5, 4), (27, 1, 5, 4), (81, 2, 5, 4)],
    }
    for axis, v in (("x", dx), ("y", dy)):
        digits = []
        for _ in range(5):  # balanced ternary, lowest digit first
            r = ((v + 1) % 3) - 1
            digits.append(r)
            v = (v - r) // 3
        assert v == 0
        for (step, byte, plus, minus), d in zip(bits[axis], digits):
            if d:
                b[byte] |= 1 << (plus if d > 0 else minus)
    return bytes(b)


def dst():
    recs, xs, ys, x, y = b"", [0], [0], 0, 0
    count = 0
    for k, (jump, dx, dy) in enumerate(moves()):
        flags = (0xC0 if k else 0x80) if jump else 0
        for sx, sy in split(dx, dy, 121):
            recs += dst_record(sx, sy, flags)
            count += 1
            x, y = x + sx, y + sy
            xs.append(x)
            ys.append(y)
    recs += b"\x00\x00\xf3"
    fields = ["LA:Design         ", "ST:%7d" % count, "CO:%3d" % 1, "+X:%5d" % max(xs), "-X:%5d" % -min(xs),
              "+Y:%5d" % max(ys), "-Y:%5d" % -min(ys), "AX:+%5d" % x, "AY:+%5d" % y,
              "MX:+    0", "MY:+    0", "PD:******"]
    header = ("\r".join(fields) + "\r\x1a").encode()
    return header + b" " * (512 - len(header)) + recs


def pat_binary():
    out = b"\xff\xff\x00" + bytes(7) + b"\x85\x00\x00\x00\x01" + b"\x7f\x00\x00\x00\x00"
    for jump, dx, dy in moves():
        out += struct.pack(">Bhh", 0x00 if jump else 0x05, dx, dy)
    return out + b"\x7f\x00\x00\x00\x00" + b"\x81\x00\x00\x00\x00"


def main():
    files = {
        "design.qcc": qcc(), "design.hqv": hqv(), "design.qli": qli(), "design.cqp": cmd_dialect(),
        "design.cmd": cmd_dialect(), "design.ssd": ssd(), "design.txt": txt(), "design.pat": pat(),
        "design.hqf": hqf(), "design.plt": plt(), "design.iqp": iqp(), "design.exp": exp(),
        "design.dst": dst(), "stitches.pat": pat_binary(),
    }
    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
