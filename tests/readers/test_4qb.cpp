#include "readers/reader_test.h"

namespace {

using test::ExpectPoints;
using test::kBreak;
using test::LeBytes;
using test::Read;

struct Point {
    float x, y;
};

// A file whose stitch data starts at offset 9, right after the header.
LeBytes Header(std::uint8_t blocks) {
    LeBytes b;
    b.Text("%4qb%").U32(9).U8(blocks).U8(0x10).U8(0x01).U8(0x01).U8(0xEE);
    return b;
}

// One block: its length, header, padding, records and the 4 skipped bytes of
// its tail (the tail's last 4 bytes are the next block's length).
LeBytes& Block(LeBytes& b, const std::vector<Point>& points, std::uint32_t padding = 0) {
    const std::uint32_t length = 44 + padding + 8 * static_cast<std::uint32_t>(points.size()) + 8;
    b.U32(length).Zeros(44 + padding);
    for (const Point& p : points) b.Point(p.x, p.y);
    return b.Zeros(4);
}

TEST(FourQbReader, BlocksAreStrokesStoredUnflipped) {
    LeBytes b = Header(3);
    Block(b, {{1, 2}, {3, 4}});
    Block(b, {{5, 6}}, 3);
    Block(b, {{7, 8}, {9, 10}});
    ExpectPoints(Read("4qb", b.bytes), {kBreak, {1, 2}, {3, 4}, kBreak, {5, 6}, kBreak, {7, 8}, {9, 10}});
}

TEST(FourQbReader, BlockLengthsWithoutRecords) {
    // L = 52 holds no point and adds no marker; L = 60 holds one record.
    LeBytes b = Header(3);
    b.U32(52).Zeros(44).Zeros(4);
    b.U32(60).Zeros(44).Point(1, 1).Zeros(4);
    b.U32(41).Zeros(44).Zeros(4); // shorter than its header: no padding, no records
    ExpectPoints(Read("4qb", b.bytes), {kBreak, {1, 1}});
}

TEST(FourQbReader, ABadRecordTakesBackItsStroke) {
    LeBytes b = Header(2);
    Block(b, {{1, 1}, {2, 2}, {2e6f, 3}, {4, 4}, {5, 5}});
    Block(b, {{0, 0}, {0.0000005f, 1}, {-1e6f, 1e6f}, {NAN, 1}, {6, -0.000002f}, {1e6f, -1e6f}});
    ExpectPoints(Read("4qb", b.bytes), {kBreak, {4, 4}, {5, 5}, kBreak, {6, -0.000002f}, {1e6f, -1e6f}});
}

TEST(FourQbReader, FindingTheBlockCount) {
    // The count is the byte read just before the 10 that starts the blocks.
    // After a 10 the next two bytes go together, so in 10 10 01 02 10 01 01
    // the second 10 starts nothing and the count is 2.
    LeBytes b;
    b.Text("%4qb%").U32(12).Zeros(3).U8(0x10).U8(0x10).U8(0x01).U8(0x02).U8(0x10).U8(0x01).U8(0x01).U8(0);
    Block(b, {{1, 1}});
    Block(b, {{2, 2}});
    Block(b, {{3, 3}});
    ExpectPoints(Read("4qb", b.bytes), {kBreak, {1, 1}, kBreak, {2, 2}});
    // The 10 as the first data byte: no blocks.
    LeBytes none;
    none.Text("%4qb%").U32(9).U8(0x10).U8(0x01).U8(0x01).U8(0);
    Block(none, {{1, 1}});
    EXPECT_TRUE(Read("4qb", none.bytes).empty());
}

TEST(FourQbReader, DataEndingEarlyKeepsTheStrokesReadSoFar) {
    LeBytes b = Header(4);
    Block(b, {{1, 1}, {2, 2}});
    Block(b, {{3, 3}, {4, 4}, {5, 5}});
    // Cut inside a coordinate, and inside the second block's header.
    ExpectPoints(Read("4qb", b.bytes.substr(0, b.bytes.size() - 14)),
                 {kBreak, {1, 1}, {2, 2}, kBreak, {3, 3}});
    ExpectPoints(Read("4qb", b.bytes.substr(0, b.bytes.size() - 30)), {kBreak, {1, 1}, {2, 2}});
    // A length that claims more than the file holds reads to its end.
    LeBytes lie = Header(200);
    lie.U32(0xFFFFFFF4).Zeros(44).Point(1, 1).Point(2, 2).U8(7);
    ExpectPoints(Read("4qb", lie.bytes), {kBreak, {1, 1}, {2, 2}});
}

TEST(FourQbReader, DamagedHeadersFail) {
    LeBytes past;
    past.Text("%4qb%").U32(1000).U8(1).U8(0x10).U8(1).U8(1);
    LeBytes noStart;
    noStart.Text("%4qb%").U32(9).Zeros(100).U8(0x10).U8(0x01);
    for (const std::string& bytes :
         {std::string("%4qb"), std::string("%4QB%") + Header(1).bytes.substr(5), std::string("%4qb%\x09"),
          past.bytes, noStart.bytes, test::Garbage(5000, 7)}) {
        CLoomveilDoc doc;
        test::TempDir dir;
        test::WriteFile(dir.File("d.4qb"), bytes);
        EXPECT_EQ(test::RenderPath(doc, dir.File("d.4qb")).result, 0) << bytes.size();
        EXPECT_NE(doc.m_strError.find("4QB"), std::string::npos) << doc.m_strError;
    }
    test::ExpectMissingAndEmptyFail("4qb");
}

TEST(FourQbReader, StrokesAreDrawnInTurningColours) {
    // Four horizontal strokes, one above the other.
    LeBytes b = Header(4);
    for (int i = 0; i < 4; ++i) Block(b, {{0, float(10 * i)}, {100, float(10 * i)}});
    const auto r = test::RenderText("4qb", b.bytes, 110, 110);
    ASSERT_EQ(r.result, 1);
    const QRgb want[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < 4; ++i) {
        bool found = false;
        for (int y = 0; y < r.image.height() && !found; ++y)
            found = (r.image.pixel(55, y) & 0xFFFFFF) == (want[i] & 0xFFFFFF);
        EXPECT_TRUE(found) << "stroke " << i;
    }
}

} // namespace
