// Melco EXP stitch files: a headerless run of two-byte records.
//
//   dx dy     a stitch by (dx, dy): signed bytes, y up, units of 0.1 mm
//   80 cc     a command; the record after it is its move:
//               04, 02   that move is a jump (needle up)
//               01       colour change, then that move as a jump (00 00)
//               80       trim: the stroke ends and the record after it
//                        (07 00 as written by most programs) is not a move
//             other command codes are skipped
// A dx of 0x80 (-128) therefore never is a move: writers keep moves within
// -127..127. Our own writer puts 80 04 before every record of a jump whose
// parts all move both ways, and doubles the prefix for doubled breaks; a
// prefix followed by another command simply passes its meaning on. An odd
// last byte is not a record.
#include "readers/pattern_frame.h"
#include "readers/stitch_path.h"

namespace {

long Signed8(unsigned char b) {
    return static_cast<signed char>(b);
}

} // namespace

ParseOutcome ParseExp(std::span<const unsigned char> bytes, CPointList& out, StrokeColours* colours) {
    StitchPath path(out, colours);
    bool jump = false;     // the next move is a jump
    bool skipNext = false; // the next record is a trim's operand
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned char b0 = bytes[i], b1 = bytes[i + 1];
        if (b0 == 0x80) {
            skipNext = false;
            switch (b1) {
            case 0x01:
                path.ColourChange();
                jump = true;
                break;
            case 0x02:
            case 0x04:
                jump = true;
                break;
            case 0x80:
                path.EndStroke();
                skipNext = true;
                jump = false;
                break;
            default:
                break;
            }
            continue;
        }
        if (skipNext) {
            skipNext = false;
            continue;
        }
        if (jump)
            path.Jump(Signed8(b0), Signed8(b1));
        else
            path.Stitch(Signed8(b0), Signed8(b1));
        jump = false;
    }
    if (path.Stitches() == 0) return {false, "no stitches in the EXP file"};
    return {};
}

int CLoomveilDoc::RenderExp(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [this](const FileBuffer& f, CPointList& out) {
        return ParseExp(f.bytes(), out, &m_StrokeColours);
    };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), frame.Ending());
}
