// 4QB stitch files: blocks of float coordinate pairs in a container.
//
// Little-endian. 0: "%4qb%"; 5: u32 offset P of the stitch data. From P the
// bytes are scanned for 10 01 01 (after a 10 the next two bytes are taken
// together, so a 10 among them starts nothing); the byte before that 10 is
// the block count N (0 when the 10 stands at P). One byte follows, then N
// blocks:
//   u32 L, 44 header bytes, r = (L - 44) mod 8 padding bytes (none when
//   L < 44), then records of two floats x, y while more than 8 bytes of L
//   remain: the last 8 bytes L covers are the block's tail, whose first 4
//   bytes are skipped and whose last 4 are the next block's L.
// Each block is a stroke. A record is bad when |x| or |y| exceeds 1e6, is
// non-zero but at most 1e-6, or is NaN; a bad record takes back the points
// of its stroke so far, and the stroke goes on after it. Coordinates are
// stored as they stand (no flip). Strokes are drawn in black, red, green,
// blue in turn.
#include "model/byte_cursor.h"
#include "readers/pattern_frame.h"

#include <cmath>
#include <cstring>

namespace {

bool IsGood(float v) {
    const double a = std::fabs(static_cast<double>(v));
    if (!(a <= 1e6)) return false; // too large, or NaN
    return v == 0 || a > 0.000001;
}

// Where the blocks begin, and how many there are.
bool FindBlocks(ByteCursor& in, int& count) {
    std::uint8_t before = 0, b = 0;
    while (in.Get8(b)) {
        if (b != 0x10) {
            before = b;
            continue;
        }
        std::uint8_t b1 = 0, b2 = 0;
        if (!(in.Get8(b1) && in.Get8(b2))) return false;
        if (b1 == 0x01 && b2 == 0x01) {
            count = before;
            return in.Skip(1);
        }
        before = b2;
    }
    return false;
}

} // namespace

ParseOutcome Parse4qb(std::span<const unsigned char> bytes, CPointList& out, StrokeColours* colours) {
    static constexpr COLORREF kColours[4] = {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    int strokes = 0;
    ByteCursor in(bytes);
    std::span<const unsigned char> signature;
    if (!in.Bytes(5, signature) || std::memcmp(signature.data(), "%4qb%", 5) != 0)
        return {false, "not a 4QB file (no %4qb% signature)"};
    std::uint32_t dataAt = 0;
    if (!in.Get32le(dataAt)) return {false, "4QB header cut short"};
    if (!in.Seek(dataAt)) return {false, "4QB stitch data offset lies past the end of the file"};
    int blocks = 0;
    if (!FindBlocks(in, blocks)) return {false, "no 4QB stitch data found"};

    // Running out of data anywhere below ends the pattern with what was read.
    for (int block = 0; block < blocks; ++block) {
        std::uint32_t length = 0;
        if (!(in.Get32le(length) && in.Skip(44))) break;
        long long left = static_cast<long long>(length) - 44;
        const long long padding = left % 8;
        if (padding > 0 && !in.Skip(static_cast<std::size_t>(padding))) break;
        left -= padding;

        bool newStroke = true;
        std::size_t inStroke = 0;
        while (left > 8) {
            if (newStroke) {
                if (colours) colours->Set(static_cast<std::size_t>(out.GetCount()), kColours[strokes++ % 4]);
                AddBreak(out);
                newStroke = false;
            }
            left -= 8;
            float x = 0, y = 0;
            if (!(in.GetF32le(x) && in.GetF32le(y))) break;
            if (IsGood(x) && IsGood(y)) {
                out.AddTail(_tagREALPT{x, y});
                ++inStroke;
            } else {
                for (; inStroke > 0; --inStroke) out.RemoveTail();
            }
        }
        if (in.Failed() || (block + 1 < blocks && !in.Skip(4))) break;
    }
    return {};
}

int CLoomveilDoc::Render4qb(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [this](const FileBuffer& f, CPointList& out) {
        return Parse4qb(f.bytes(), out, &m_StrokeColours);
    };
    return ReadGuarded({-1, CArchiveException::endOfFile}, frame.Reading(parse), frame.Ending());
}
