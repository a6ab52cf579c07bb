// IQP stitch files: float coordinate pairs behind a version header.
//
// Little-endian throughout; offsets from the start of the file.
//   "StitchV1"  0: signature, 8: 88 bytes skipped, 96: u32 point count N,
//               100: 4 bytes skipped, 104: N records
//   "StitchV2"  0: signature, 8: 16 bytes skipped (blanks, zeros), 24: a
//               chain of tagged blocks, each u32 tag, u32 length, then that
//               many bytes (4: pattern name, 5: description, 8: notes,
//               1: end). Tag 7 holds the points: its length field is D and
//               D / 4 records follow it directly. Files with a single
//               untagged block (tag 0) before the points are read the same
//               way: 28: u32 length B, 32: B bytes skipped, 32+B: 4 bytes
//               skipped, 36+B: u32 D, 40+B: D / 4 records. A chain whose
//               tags are not all small numbers is taken as that layout.
// A record is two floats x, y (y axis up). A record with x or y exactly
// 12000.0 is a jump and becomes a break marker. A count larger than the
// records present reads the records that are there.
#include "model/byte_cursor.h"
#include "readers/pattern_frame.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr float kJump = 12000.0f;
constexpr std::uint32_t kPointsTag = 7;
constexpr std::uint32_t kLargestTag = 15;

// Walks the chain of tagged blocks from the cursor to the points block and
// leaves the cursor at its first record; false when the chain breaks off
// or holds a tag no block chain uses.
bool FindPointsBlock(ByteCursor& in, std::uint32_t& d) {
    std::uint32_t tag = 0, length = 0;
    while (in.Get32le(tag) && in.Get32le(length)) {
        if (tag == 0 || tag > kLargestTag) return false;
        if (tag == kPointsTag) {
            d = length;
            return true;
        }
        if (!in.Skip(length)) return false;
    }
    return false;
}

} // namespace

ParseOutcome ParseIqp(std::span<const unsigned char> bytes, CPointList& out) {
    ByteCursor in(bytes);
    std::span<const unsigned char> signature;
    if (!in.Bytes(8, signature)) return {false, "not an IQP file (too short for a signature)"};
    std::uint32_t count = 0;
    if (std::memcmp(signature.data(), "StitchV1", 8) == 0) {
        in.Skip(88);
        in.Get32le(count);
        in.Skip(4);
    } else if (std::memcmp(signature.data(), "StitchV2", 8) == 0) {
        std::uint32_t d = 0;
        ByteCursor chain(bytes);
        chain.Skip(24);
        if (FindPointsBlock(chain, d)) {
            in = chain;
        } else {
            std::uint32_t variable = 0;
            in.Skip(20);
            in.Get32le(variable);
            in.Skip(variable);
            in.Skip(4);
            in.Get32le(d);
        }
        count = d >> 2;
    } else {
        return {false, "not an IQP file (no StitchV1 or StitchV2 signature)"};
    }
    if (in.Failed()) return {false, "IQP header cut short at byte " + std::to_string(in.FailOffset())};

    const std::size_t records = std::min<std::size_t>(count, in.Remaining() / 8);
    out.Reserve(out.size() + records);
    for (std::size_t k = 0; k < records; ++k) {
        float x = 0, y = 0;
        in.GetF32le(x);
        in.GetF32le(y);
        if (x == kJump || y == kJump)
            AddBreak(out);
        else
            AddFlipped(out, x, y);
    }
    return {};
}

int CLoomveilDoc::RenderIqp(CDC* pDC, int width, int height) {
    const PatternFrame frame{*this, pDC, width, height};
    auto parse = [](const FileBuffer& f, CPointList& out) { return ParseIqp(f.bytes(), out); };
    return ReadGuarded({CFileException::endOfFile, -1}, frame.Reading(parse), frame.Ending());
}
