#include "readers/reader_test.h"

namespace test {
namespace {

// A file whose stitch data starts at offset 9, right after the header.
LeBytes Header(std::uint8_t blocks) {
    return LeBytes{}.Text("%4qb%").U32(9).U8(blocks).U8(0x10).U8(0x01).U8(0x01).U8(0xEE);
}

// One block: its length, header, padding, records and the 4 skipped bytes of
// its tail (the tail's last 4 bytes are the next block's length).
LeBytes& Block(LeBytes& b, const std::vector<_tagREALPT>& points, std::uint32_t padding = 0) {
    b.U32(44 + padding + 8 * static_cast<std::uint32_t>(points.size()) + 8).Zeros(44 + padding);
    for (const _tagREALPT& p : points) b.Point(p.x, p.y);
    return b.Zeros(4);
}

TEST(FourQbReader, TheModelAfterARead) {
    LeBytes blocks = Header(9);
    Block(Block(blocks, {{1, 2}, {3, 4}}), {{5, 6}}, 3);
    // L = 52 holds no record and adds no marker, L = 60 one record; L = 41
    // is shorter than its header: no padding, no records.
    blocks.U32(52).Zeros(44 + 4).U32(60).Zeros(44).Point(7, 8).Zeros(4).U32(41).Zeros(44 + 4);
    // A bad record (too large, too small but not 0, NaN) takes back its
    // stroke so far; the stroke goes on after it.
    for (const _tagREALPT bad : {_tagREALPT{2e6f, 3}, {3, 0.0000005f}, {NAN, 1}})
        Block(blocks, {{1, 1}, bad, {4, 4}});
    Block(blocks, {{0, 0}, {-1e6f, 1e6f}, {6, -0.000002f}});
    // The count is the byte just before the 10 that starts the blocks. After
    // a 10 the next two bytes go together, so in 10 10 01 02 10 01 01 the
    // second 10 starts nothing and the count is 2.
    LeBytes counted =
        LeBytes{}.Text("%4qb%").U32(12).Zeros(3).U8(0x10).U8(0x10).U8(1).U8(2).U8(0x10).U8(1).U8(1).U8(0);
    Block(Block(Block(counted, {{1, 1}}), {{2, 2}}), {{3, 3}});
    LeBytes none = LeBytes{}.Text("%4qb%").U32(9).U8(0x10).U8(0x01).U8(0x01).U8(0); // the 10 first: no blocks
    // Data ending early keeps the strokes read so far: cut inside a
    // coordinate, inside the second block's header, or a length that claims
    // more than the file holds.
    LeBytes cut = Header(4);
    Block(Block(cut, {{1, 1}, {2, 2}}), {{3, 3}, {4, 4}, {5, 5}});
    LeBytes lie = Header(200);
    lie.U32(0xFFFFFFF4).Zeros(44).Point(1, 1).Point(2, 2).U8(7);
    ExpectModels({
        {"4qb", blocks.bytes, "| 1,2 3,4 | 5,6 | 7,8 | 4,4 | 4,4 | 4,4 | 0,0 -1e+06,1e+06 6,-2e-06"},
        {"4qb", counted.bytes, "| 1,1 | 2,2"},
        {"4qb", Block(none, {{1, 1}}).bytes, ""},
        {"4qb", cut.bytes.substr(0, cut.bytes.size() - 14), "| 1,1 2,2 | 3,3"},
        {"4qb", cut.bytes.substr(0, cut.bytes.size() - 30), "| 1,1 2,2"},
        {"4qb", lie.bytes, "| 1,1 2,2"},
    });
}

TEST(FourQbReader, DamagedHeadersAreRefused) {
    const LeBytes past = LeBytes{}.Text("%4qb%").U32(1000).U8(1).U8(0x10).U8(1).U8(1);
    const LeBytes noStart = LeBytes{}.Text("%4qb%").U32(9).Zeros(100).U8(0x10).U8(0x01);
    for (const std::string& bytes : {std::string("%4qb"), "%4QB%" + Header(1).bytes.substr(5),
                                     std::string("%4qb%\x09"), past.bytes, noStart.bytes})
        EXPECT_NE(Refusal("4qb", bytes).find("4QB"), std::string::npos) << bytes.size();
}

TEST(FourQbReader, StrokesAreDrawnInTurningColours) {
    // Five horizontal strokes, one above the other: the fifth is black again.
    LeBytes b = Header(5);
    for (int i = 0; i < 5; ++i) Block(b, {{0, float(10 * i)}, {100, float(10 * i)}});
    const auto r = RenderText("4qb", b.bytes, 110, 110);
    std::vector<QRgb> seen;
    for (int y = 0; y < r.image.height(); ++y)
        if (!IsWhite(r.image, 55, y)) seen.push_back(r.image.pixel(55, y) & 0xFFFFFF);
    EXPECT_EQ(seen, (std::vector<QRgb>{0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0x000000}));
}

} // namespace
} // namespace test
