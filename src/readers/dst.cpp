// Tajima DST stitch files.
//
// A 512-byte text header of fields "LA:name", "ST:stitches", "CO:colour
// changes", "+X:", "-X:", "+Y:", "-Y:" (the extents from the start point),
// "AX:", "AY:" (where the needle ends), … each ended by CR, padded with
// blanks after a 0x1A. The records follow, three bytes each, whose bits add
// balanced-ternary steps in units of 0.1 mm, y up:
//
//   bit     7     6     5     4     3     2     1     0
//   byte 0  y+1   y-1   y+9   y-9   x-9   x+9   x-1   x+1
//   byte 1  y+3   y-3   y+27  y-27  x-27  x+27  x-3   x+3
//   byte 2  jump  stop  y+81  y-81  x-81  x+81  1     1
//
// so each record moves at most 121 along each axis. Byte 2 says what the
// move is: bit 7 alone a jump, bits 7 and 6 a colour change (the move is
// made with the needle up), all of bits 7 to 4 the end of the design (F3);
// otherwise a stitch. The header is not needed to read the records.
#include "readers/pattern_frame.h"
#include "readers/stitch_path.h"

namespace {

constexpr std::size_t kHeaderSize = 512;

// The move of one record: each bit pair adds or takes away its step.
void Decode(const unsigned char* r, long& dx, long& dy) {
    auto bit = [r](int byte, int b) { return static_cast<long>((r[byte] >> b) & 1); };
    dx = bit(0, 0) - bit(0, 1) + 9 * (bit(0, 2) - bit(0, 3)) + 3 * (bit(1, 0) - bit(1, 1)) +
         27 * (bit(1, 2) - bit(1, 3)) + 81 * (bit(2, 2) - bit(2, 3));
    dy = bit(0, 7) - bit(0, 6) + 9 * (bit(0, 5) - bit(0, 4)) + 3 * (bit(1, 7) - bit(1, 6)) +
         27 * (bit(1, 5) - bit(1, 4)) + 81 * (bit(2, 5) - bit(2, 4));
}

} // namespace

ParseOutcome ParseDst(std::span<const unsigned char> bytes, CPointList& out, StrokeColours* colours) {
    if (bytes.size() < kHeaderSize)
        return {false, "DST header cut short (" + std::to_string(bytes.size()) + " bytes)"};
    StitchPath path(out, colours);
    for (std::size_t i = kHeaderSize; i + 3 <= bytes.size(); i += 3) {
        const unsigned char* r = bytes.data() + i;
        if ((r[2] & 0xF3) == 0xF3) break;
        long dx = 0, dy = 0;
        Decode(r, dx, dy);
        if ((r[2] & 0xC0) == 0xC0) {
            path.ColourChange();
            path.Jump(dx, dy);
        } else if (r[2] & 0x80) {
            path.Jump(dx, dy);
        } else {
            path.Stitch(dx, dy);
        }
    }
    if (path.Stitches() == 0) return {false, "no stitches in the DST file"};
    return {};
}

int CLoomveilDoc::RenderDst(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [this](const FileBuffer& f, CPointList& out) {
        return ParseDst(f.bytes(), out, &m_StrokeColours);
    };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), frame.Ending());
}
