#include "readers/reader_test.h"

namespace {

using test::ExpectPoints;
using test::kBreak;
using test::LeBytes;
using test::Read;

LeBytes V1(std::uint32_t count) {
    LeBytes b;
    b.Text("StitchV1").Zeros(88).U32(count).Zeros(4);
    return b;
}

LeBytes V2(std::uint32_t variable, std::uint32_t d) {
    LeBytes b;
    b.Text("StitchV2").Zeros(20).U32(variable).Zeros(variable).Zeros(4).U32(d);
    return b;
}

TEST(IqpReader, BothVersions) {
    ExpectPoints(Read("iqp", V1(2).Point(1, 2).Point(3, -4).bytes), {{1, -2}, {3, 4}});
    // Version 2 with an empty variable block has its records at offset 40;
    // D = 12 is three records.
    const LeBytes v2 = V2(0, 12).Point(1, 1).Point(2, 2).Point(3, 3).Point(9, 9);
    ASSERT_EQ(v2.bytes.size(), 40u + 32);
    ExpectPoints(Read("iqp", v2.bytes), {{1, -1}, {2, -2}, {3, -3}});
    ExpectPoints(Read("iqp", V2(5, 9).Point(7, 8).Point(9, 9).bytes), {{7, -8}, {9, -9}});
    // No points is a valid, empty pattern.
    EXPECT_TRUE(Read("iqp", V1(0).Point(1, 1).bytes).empty());
}

TEST(IqpReader, JumpRecordsBecomeMarkers) {
    ExpectPoints(
        Read("iqp", V1(5).Point(0, 0).Point(12000, 5).Point(5, 12000).Point(5, -12000).Point(1, 1).bytes),
        {{0, 0}, kBreak, kBreak, {5, 12000}, {1, -1}});
}

TEST(IqpReader, CountsLargerThanTheFileReadWhatIsThere) {
    ExpectPoints(Read("iqp", V1(0xFFFFFFFF).Point(1, 1).Point(2, 2).F32(3).bytes), {{1, -1}, {2, -2}});
    ExpectPoints(Read("iqp", V2(0, 0xFFFFFFFF).Point(1, 1).bytes), {{1, -1}});
}

TEST(IqpReader, DamagedFilesFailCleanly) {
    for (const std::string& bytes :
         {std::string("StitchV"), std::string("stitchV1") + std::string(100, '\0'),
          std::string("StitchV3") + std::string(100, '\0'), V1(1).bytes.substr(0, 99),
          V2(1000, 8).bytes.substr(0, 200), test::Garbage(5000, 6)}) {
        CLoomveilDoc doc;
        test::TempDir dir;
        test::WriteFile(dir.File("d.iqp"), bytes);
        const auto r = test::RenderPath(doc, dir.File("d.iqp"));
        EXPECT_EQ(r.result, 0) << bytes.size();
        EXPECT_TRUE(r.points.empty());
        EXPECT_NE(doc.m_strError.find("IQP"), std::string::npos) << doc.m_strError;
    }
    test::ExpectMissingAndEmptyFail("iqp");
}

} // namespace
