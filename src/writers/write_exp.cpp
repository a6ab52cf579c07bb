// Melco EXP output: a headerless run of two-byte records, no trailer.
//
//   dx dy      a move by (dx, dy), each a signed byte; a stitch unless it
//              follows a jump prefix
//   80 04      jump prefix: the move after it is a jump
//
// Units: 0.1 mm at the pattern's size when its unit is known, otherwise the
// larger side spans 998; the box centre is at (500, 500), where the needle
// starts; y points up. Every move is cut into equal steps of at most 125
// along each axis plus a remainder record, so the records add up to the
// move exactly. Positions are 16-bit: only the low 16 bits of a rounded
// coordinate count.
//
// Jumps: a machine takes a record without the prefix as a stitch. Fitted
// output keeps its long-standing bytes, in which a split jump has the
// prefix only while both remainders move and is closed by a (0, 0) record
// when the last one moves both ways; output at the pattern's size puts the
// prefix before every record of a jump.
#include "writers/writer_frame.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

std::int16_t Low16(int v) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
}
unsigned char LowByte(int v) {
    return static_cast<unsigned char>(v & 0xFF);
}

void WriteJumpPrefix(writers::Output& out) {
    out.Bytes(0x80, 0x04);
}

void WriteMove(writers::Output& out, int dx, int dy, bool jump) {
    const int steps = std::max(std::abs(dx) / 126, std::abs(dy) / 126) + 1;
    const int stepX = dx / steps;
    const int stepY = dy / steps;
    int remX = dx, remY = dy;
    for (int i = 0; i < steps; ++i) {
        out.Bytes(LowByte(stepX), LowByte(stepY));
        remX -= stepX;
        remY -= stepY;
        if (jump && remX != 0 && remY != 0) WriteJumpPrefix(out);
    }
    if (remX != 0 || remY != 0 || jump) {
        out.Bytes(LowByte(remX), LowByte(remY));
        if (jump && LowByte(remX) != 0 && LowByte(remY) != 0) out.Bytes(0, 0);
    }
}

// A jump with the prefix before each of its records; a stitch as above.
void WriteMarkedMove(writers::Output& out, int dx, int dy, bool jump) {
    const int steps = std::max(std::abs(dx) / 126, std::abs(dy) / 126) + 1;
    int doneX = 0, doneY = 0;
    for (int i = 1; i <= steps; ++i) {
        const int x = dx * i / steps, y = dy * i / steps;
        if (jump) WriteJumpPrefix(out);
        out.Bytes(LowByte(x - doneX), LowByte(y - doneY));
        doneX = x;
        doneY = y;
    }
}

} // namespace

BOOL CLoomveilDoc::WriteExp() {
    return writers::RunWriter(*this, [this](writers::Output& out) {
        if (m_PointList.IsEmpty()) return writers::Written::nothing;
        const writers::Bounds b = writers::BoundingPass(m_PointList);
        const float width = b.maxX - b.minX;
        const float height = b.maxY - b.minY;
        const std::optional<float> kept = writers::SizeKeepingScale(*this, writers::kMmPerStitchUnit);
        // A flat pattern has no span to fit, so nothing is stitched.
        if (!kept && (width == 0.0f || height == 0.0f)) return writers::Written::nothing;
        if (kept && b.firstX == FLT_MAX) return writers::Written::nothing;
        const float s = kept ? *kept : writers::ScaleFor(998.0f, width, height);
        const float cx = (b.maxX + b.minX) * 0.5f - 500.0f / s;
        const float cy = (b.maxY + b.minY) * 0.5f - 500.0f / s;

        std::int16_t prevX = 500, prevYn = -500;
        bool first = true;
        bool jump = false;
        for (const _tagREALPT& p : m_PointList) {
            const bool marker = writers::IsMarker(p);
            if (marker || first) {
                if (!kept) WriteJumpPrefix(out);
                first = false;
                jump = true;
                if (marker) continue;
            }
            const std::int16_t x = Low16(TruncToInt(static_cast<double>((p.x - cx) * s) + 0.5));
            const std::int16_t y = Low16(TruncToInt(static_cast<double>((p.y - cy) * s) + 0.5));
            const std::int16_t yn = Low16(-y);
            if (kept)
                WriteMarkedMove(out, Low16(x - prevX), Low16(yn - prevYn), jump);
            else
                WriteMove(out, Low16(x - prevX), Low16(yn - prevYn), jump);
            prevX = x;
            prevYn = yn;
            jump = false;
        }
        return writers::Written::file;
    });
}
