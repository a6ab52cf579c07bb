// The embroidery stitch readers: EXP, DST and the binary PAT.
#include "readers/pattern_parsers.h"
#include "readers/reader_test.h"

namespace test {

namespace {

// A DST file: a header of blanks, then the records.
std::string Dst(std::string_view records) {
    return "LA:t" + std::string(508, ' ') + Hex(records);
}

} // namespace

TEST(StitchReaders, TheModelAfterARead) {
    ExpectModels({
        // EXP: a stroke starts where the needle stands (here the origin);
        // y points up. A prefixed move is a jump; a doubled prefix is one;
        // a colour change's move is a jump too; a trim ends the stroke and
        // its operand is no move; unknown commands and an odd byte are
        // skipped.
        {"exp", Hex("0A 00 00 F6 8004 8004 05 05 01 01 8001 00 00 02 00 8080 07 00 03 00 8077 01 00 FF"),
         "0,0 10,0 10,10 | 15,5 16,4 | 16,4 18,4 | 18,4 21,4 22,4"},
        {"exp", Hex("8002 7F 81 01 00"), "127,127 128,127"},
        // DST: each bit of the balanced-ternary code on its own, then the
        // largest move, a jump, a colour change and the end record, after
        // which nothing is read.
        {"dst",
         Dst("01 00 03  02 00 03  04 00 03  08 00 03  00 01 03  00 02 03  00 04 03  00 08 03  00 00 07  "
             "00 00 0B"),
         "0,0 1,0 0,0 9,0 0,0 3,0 0,0 27,0 0,0 81,0 0,0"},
        {"dst",
         Dst("80 00 03  40 00 03  20 00 03  10 00 03  00 80 03  00 40 03  00 20 03  00 10 03  00 00 23  "
             "00 00 13"),
         "0,0 0,-1 0,0 0,-9 0,0 0,-3 0,0 0,-27 0,0 0,-81 0,0"},
        {"dst", Dst("55 55 17  01 00 83  01 00 03  01 00 C3  01 00 03  00 00 F3  01 00 03"),
         "0,0 121,121 | 122,121 123,121 | 124,121 125,121"},
        // Binary PAT: big-endian moves; 00 is a jump, 01/04/05 stitches,
        // control records move nothing; an unknown flag ends the data.
        {"pat",
         Hex("FFFF00 A7E5FD05F5E100  8500000001 7F00000000 0000100020 0400100000 01FFF00000 "
             "7F00000000 0000010000 0500010000 0300100000 0500100000"),
         "16,-32 32,-32 16,-32 | 17,-32 18,-32"},
    });
}

// Each thread after a colour change is drawn in a colour of its own from the
// marker before its first stroke on; jumps keep the thread.
TEST(StitchReaders, ColourChangesStartTheNextThread) {
    CPointList out;
    StrokeColours colours;
    const std::string exp = Hex("0A00 8001 0000 0A00 8004 0505 0A00 8001 0000 8001 0000 0A00");
    ASSERT_TRUE(ParseExp({reinterpret_cast<const unsigned char*>(exp.data()), exp.size()}, out, &colours).ok);
    EXPECT_EQ(Text(std::vector<_tagREALPT>(out.begin(), out.end())),
              "0,0 10,0 | 10,0 20,0 | 25,-5 35,-5 | 35,-5 45,-5");
    const std::vector<COLORREF> distinct = colours.Distinct();
    ASSERT_EQ(distinct.size(), 3u); // black, then two threads
    StrokeColours::Cursor at(colours);
    EXPECT_EQ(at.At(1), distinct[0]);
    EXPECT_EQ(at.At(4), distinct[1]);
    EXPECT_EQ(at.At(7), distinct[1]);
    EXPECT_EQ(at.At(10), distinct[2]);
}

TEST(StitchReaders, FilesWithoutStitchesSayWhy) {
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"exp", Hex("8004 10 10 8001 00 00"), "no stitches in the EXP file"},
        {"exp", Hex("80"), "no stitches in the EXP file"},
        {"dst", Dst("01 00 83 00 00 F3 01 00 03"), "no stitches in the DST file"},
        {"dst", "LA:short header", "DST header cut short (15 bytes)"},
        {"pat", Hex("FFFF00 00000000000000 0000100010"), "no stitches in the binary PAT file"},
        {"pat", Hex("FFFF00 00000000000000 0200100010 0100100010"),
         "no stitches in the binary PAT file (record flag 0x02 at byte 10)"},
        {"pat", Hex("FFFF00"), "binary PAT header cut short"},
    };
    for (const auto& [ext, bytes, why] : cases) EXPECT_EQ(Refusal(ext, bytes), why);
}

} // namespace test
