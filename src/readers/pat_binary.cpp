// Binary embroidery PAT files (a different format behind the extension of
// the G-code text PAT; told apart by their first bytes FF FF 00).
//
// A 10-byte header (FF FF 00 and seven bytes not needed to read the
// design), then 5-byte records:
//   u8 flags, s16 dx, s16 dy   big-endian, units of 0.1 mm, y up
//   flags 00                   a move with the needle up (a jump)
//   flags 01, 04, 05           a stitch
//   flags 7F, 81 … 86          a control record: its two numbers are not
//                              a move
// Any other flag value ends the data. A short last record is not read.
#include "model/formats.h"
#include "readers/pattern_frame.h"
#include "readers/stitch_path.h"

#include <cstdio>

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kRecordSize = 5;

long Be16(const unsigned char* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((p[0] << 8) | p[1]));
}

} // namespace

bool IsBinaryPat(std::span<const unsigned char> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xFF && bytes[2] == 0x00;
}

bool SniffBinaryPat(std::span<const unsigned char> head) {
    return IsBinaryPat(head);
}

ParseOutcome ParseBinaryPat(std::span<const unsigned char> bytes, CPointList& out, StrokeColours* colours) {
    if (!IsBinaryPat(bytes) || bytes.size() < kHeaderSize) return {false, "binary PAT header cut short"};
    StitchPath path(out, colours);
    std::string stopped;
    for (std::size_t i = kHeaderSize; i + kRecordSize <= bytes.size(); i += kRecordSize) {
        const unsigned char* r = bytes.data() + i;
        const long dx = Be16(r + 1), dy = Be16(r + 3);
        const unsigned flags = r[0];
        if (flags == 0x00) {
            path.Jump(dx, dy);
        } else if (flags == 0x01 || flags == 0x04 || flags == 0x05) {
            path.Stitch(dx, dy);
        } else if (!(flags == 0x7F || (flags >= 0x81 && flags <= 0x86))) {
            char buf[80];
            std::snprintf(buf, sizeof buf, " (record flag 0x%02X at byte %zu)", flags, i);
            stopped = buf;
            break;
        }
    }
    if (path.Stitches() == 0) return {false, "no stitches in the binary PAT file" + stopped};
    return {};
}
