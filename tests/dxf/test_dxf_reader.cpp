#include "dxf/dxf_reader_internal.h"
#include "dxf_test_util.h"
#include "test_support.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using dxftest::Entities;
using dxftest::Lines;

// A reader over bytes in memory, closed at the end of the scope, with its
// record locked for the byte-level operations.
class MemoryReader {
public:
    explicit MemoryReader(std::string text) : m_text(std::move(text)) {
        h = DxfOpenReader(nullptr, nullptr, reinterpret_cast<const BYTE*>(m_text.data()),
                          static_cast<DWORD>(m_text.size()));
    }
    ~MemoryReader() { EXPECT_TRUE(DxfCloseReader(h)); }
    // Runs f on the locked record.
    template <class F> auto With(F&& f) {
        GlobalLockGuard<DXFREADER> r(h);
        return f(r.get());
    }
    std::string Line() {
        return With([](DXFREADER* r) {
            char buf[DXF_VALUE_BYTES];
            DxfReadLine(r, buf, sizeof buf);
            return std::string(buf);
        });
    }
    // The next entity into c and e.
    bool Entity() {
        return With([&](DXFREADER* r) { return DxfReadEntity(r, &c, &e) != FALSE; });
    }
    HDXFREADER h;
    DXFENTITYCOMMON c{};
    DXFENTITYENTRY e{};

private:
    std::string m_text;
};

TEST(DxfReaderLines, CrLfLoneLfAndLoneCrEachEndOneLine) {
    MemoryReader r("a\r\nb\nc\rd\n\re\r\n\r\nf");
    std::vector<std::string> lines;
    for (int i = 0; i < 9; ++i) lines.push_back(r.Line());
    // LF CR ends a line and makes the next one empty; an empty line between
    // two CR LF stays a line; the end of the file ends the last line and
    // after it every line is empty.
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e", "", "f", ""}));
    r.With([](DXFREADER* d) { EXPECT_EQ(d->dwPos, d->dwFileSize); });
}

TEST(DxfReaderLines, EmptyValuesKeepPairsAlignedWithLfLineEnds) {
    // An empty text value must not swallow the code line after it.
    const std::string text = Lines("0|SECTION|2|ENTITIES|0|TEXT|1||40|2.5|0|ENDSEC");
    dxftest::Drawing d(text);
    const auto e = d.Only();
    EXPECT_EQ(e.h.wType, DXF_TEXT);
    EXPECT_STREQ(e.d.text.szText, "");
    EXPECT_EQ(e.d.text.dHeight, 2.5);
}

TEST(DxfReaderPairs, CodesReadAsAtoiAndLongValuesAreCut) {
    const std::string longValue(3000, 'v');
    MemoryReader r("  10\n1.5\n\nafter-empty-code\n7x\nq\n" + std::string("1\n") + longValue + "\n62\n7\n");
    r.With([&](DXFREADER* d) {
        char value[DXF_VALUE_BYTES];
        EXPECT_EQ(DxfReadPair(d, value, sizeof value), 10);
        EXPECT_STREQ(value, "1.5");
        EXPECT_EQ(DxfReadPair(d, value, sizeof value), 0); // an empty code line is code 0
        EXPECT_STREQ(value, "after-empty-code");
        EXPECT_EQ(DxfReadPair(d, value, sizeof value), 7); // digits up to the first other character
        EXPECT_EQ(DxfReadPair(d, value, sizeof value), 1);
        EXPECT_EQ(std::strlen(value), 2047u); // the rest of the line is passed over
        EXPECT_EQ(DxfReadPair(d, value, sizeof value), 62);
        EXPECT_STREQ(value, "7");
    });
    EXPECT_EQ(DxfAtoi("   -42abc"), -42);
    EXPECT_EQ(DxfAtoi("99999999999"), 2147483647);
    EXPECT_EQ(DxfAtof("  12.5e1x"), 125.0);
    EXPECT_EQ(DxfAtof("-0.000001"), -0.000001);
    EXPECT_EQ(DxfAtof("40696.812345"), 40696.812345);
    EXPECT_EQ(DxfAtof("abc"), 0.0);
    EXPECT_EQ(DxfAtof(".5"), 0.5);
}

TEST(DxfReaderPairs, AValueEndsAtANulAsACStringDoes) {
    std::string text = Lines("0|SECTION|2|ENTITIES|0|LINE|8|LAYER|10|1|0|ENDSEC");
    text.replace(text.find("ENDSEC"), 6, std::string("ENDSEC\0junk", 11));
    MemoryReader r(text);
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_ENTITIES);
    EXPECT_TRUE(r.Entity());
    EXPECT_STREQ(r.c.szLayer, "LAYER");
    EXPECT_EQ(DxfCurrentSection(r.h), 0u); // "ENDSEC\0junk" is ENDSEC
}

TEST(DxfReaderProtocol, OneLineSectionStepByStep) {
    MemoryReader r(Lines("0|SECTION|2|ENTITIES|0|LINE|8|0|10|0|20|0|11|1|21|1|0|ENDSEC|0|EOF"));
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_ENTITIES);
    EXPECT_TRUE(r.Entity());
    EXPECT_EQ(std::tie(r.c.wType, r.c.nColor, r.c.dLineTypeScale),
              std::tuple(WORD(DXF_LINE), short(256), 1.0));
    EXPECT_STREQ(r.c.szLayer, "0");
    EXPECT_EQ(dxftest::XYOf(r.e.line.ptEnd), dxftest::XY(1, 1));
    EXPECT_EQ(DxfCurrentSection(r.h), 0u);
    EXPECT_FALSE(r.Entity());
    EXPECT_EQ(DxfNextSection(r.h), 0u);
}

TEST(DxfReaderProtocol, TablesEndWithTheirEndtabAndEndsec) {
    MemoryReader r(Lines("0|SECTION|2|TABLES|0|TABLE|2|LTYPE|70|0|0|ENDTAB|"
                         "0|TABLE|2|LAYER|70|1|0|LAYER|2|WALLS|70|65|62|-3|6|DASH|0|ENDTAB|0|ENDSEC|"
                         "0|SECTION|2|OBJECTS|0|ENDSEC|0|EOF"));
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_TABLES);
    EXPECT_EQ(DxfNextTable(r.h), DXF_TABLE_LTYPE);
    DXFLAYERENTRY layer;
    // A table without entries: the search for an entry fails, the table stays.
    EXPECT_EQ(DxfReadTableEntry(r.h, &layer), 0u);
    EXPECT_EQ(DxfNextTable(r.h), DXF_TABLE_LAYER);
    EXPECT_EQ(DxfReadTableEntry(r.h, &layer), DXF_TABLE_LAYER);
    EXPECT_STREQ(layer.szName, "WALLS");
    EXPECT_EQ(std::tie(layer.nFlags, layer.nColor), std::tuple(65, -3));
    EXPECT_STREQ(layer.szLineType, "DASH");
    // Its last entry was followed by ENDTAB and ENDSEC.
    EXPECT_EQ(DxfCurrentTable(r.h), 0u);
    EXPECT_EQ(DxfCurrentSection(r.h), 0u);
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_OTHER);
    EXPECT_EQ(DxfNextSection(r.h), 0u);
}

TEST(DxfReaderProtocol, LtypeDashesAndOtherTableEntries) {
    std::string dashes;
    for (int i = 0; i < 32; ++i) dashes += "|49|" + std::to_string(i + 1);
    MemoryReader r(Lines("0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|LONG|70|300|3|many|73|32|40|9.5" +
                         dashes +
                         "|0|ENDTAB|0|TABLE|2|DIMSTYLE|0|DIMSTYLE|2|ISO|41|2.5|6|ClosedFilled|340|1F|77|1|"
                         "176|3|0|ENDTAB|0|ENDSEC"));
    DxfNextSection(r.h);
    EXPECT_EQ(DxfNextTable(r.h), DXF_TABLE_LTYPE);
    DXFLTYPEENTRY lt;
    ASSERT_EQ(DxfReadTableEntry(r.h, &lt), DXF_TABLE_LTYPE);
    EXPECT_EQ(lt.nFlags, 44); // low 8 bits of 300
    EXPECT_STREQ(lt.szDescription, "many");
    // Values after the 30th dash are ignored.
    EXPECT_EQ(std::tie(lt.nDashes, lt.dPatternLength, lt.dDashes[0], lt.dDashes[29]),
              std::tuple(32, 9.5, 1.0, 30.0));
    EXPECT_EQ(DxfNextTable(r.h), DXF_TABLE_DIMSTYLE);
    DXFDIMSTYLEENTRY ds;
    ASSERT_EQ(DxfReadTableEntry(r.h, &ds), DXF_TABLE_DIMSTYLE);
    EXPECT_STREQ(ds.szName, "ISO");
    EXPECT_EQ(ds.dArrowSize, 2.5);
    EXPECT_STREQ(ds.szBlk1, "ClosedFilled");
    // The handle "1F" is read as a decimal.
    EXPECT_EQ(std::tie(ds.nTextStyleHandle, ds.nTextAbove, ds.nClrDimLine), std::tuple(1, 1, 3));
    EXPECT_STREQ(ds.szTextStyle, "");
    EXPECT_EQ(DxfCurrentSection(r.h), 0u);
}

TEST(DxfReaderProtocol, BlocksWithAndWithoutEntities) {
    MemoryReader r(Lines("0|SECTION|2|BLOCKS|0|BLOCK|8|L1|2|EMPTY|70|2|10|1|20|2|30|3|0|ENDBLK|8|0|"
                         "0|BLOCK|2|B|3|B2|0|LINE|11|5|0|SEQEND|0|ENDBLK|0|ENDSEC|0|EOF"));
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_BLOCKS);
    DXFBLOCKENTRY b;
    ASSERT_TRUE(DxfReadBlockHeader(r.h, &b));
    EXPECT_STREQ(b.szName, "EMPTY");
    EXPECT_STREQ(b.szLayer, "L1");
    EXPECT_EQ(std::tie(b.bFlags, b.ptBase.z), std::tuple(BYTE(2), 3.0));
    r.With([&](DXFREADER* d) { EXPECT_EQ(d->bInBlock, 0u); });
    EXPECT_FALSE(r.Entity());
    ASSERT_TRUE(DxfReadBlockHeader(r.h, &b));
    EXPECT_STREQ(b.szName, "B2"); // 2 then 3: the later one wins
    EXPECT_TRUE(r.Entity());
    EXPECT_EQ(r.e.line.ptEnd.x, 5.0);
    // SEQEND is passed over; ENDBLK then ENDSEC end the block and the section.
    EXPECT_FALSE(r.Entity());
    r.With([](DXFREADER* d) { EXPECT_EQ(d->bInBlock, 0u); });
    EXPECT_EQ(DxfCurrentSection(r.h), 0u);
    EXPECT_FALSE(DxfReadBlockHeader(r.h, &b));
}

TEST(DxfReaderProtocol, HeaderVariablesAndSkippedSections) {
    MemoryReader r(Lines("999|comment|0|SECTION|2|HEADER|9|$ACADVER|1|AC1015|9|$EXTMIN|10|0|20|0|0|ENDSEC|"
                         "0|SECTION|2|ENTITIES|0|ENDSEC|0|SECTION|2|BLOCKS|0|ENDSEC|0|EOF"));
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_HEADER);
    char version[32];
    EXPECT_TRUE(DxfReadHeaderVariable(r.h, "$ACADVER", version, sizeof version));
    EXPECT_STREQ(version, "AC1015");
    EXPECT_FALSE(DxfReadHeaderVariable(r.h, "$HANDSEED", version, sizeof version));
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_ENTITIES);
    EXPECT_FALSE(r.Entity()); // an empty ENTITIES section
    EXPECT_FALSE(r.Entity()); // and BLOCKS after it is not read as entities
    EXPECT_EQ(DxfNextSection(r.h), DXF_SECTION_BLOCKS);
}

TEST(DxfReaderProtocol, UnknownEntitiesBetweenKnownOnesArePassedOver) {
    dxftest::Drawing d(Entities("0|LINE|10|1|0|POLYLINE|0|SEQEND|8|X|0|OLE2FRAME|1|hi|0|LINE|10|2"));
    const auto all = d.List();
    ASSERT_EQ(d.Types(), (std::vector<WORD>{DXF_LINE, DXF_POLYLINE, DXF_LINE}));
    EXPECT_EQ(all[0].d.line.ptStart.x, 1.0);
    EXPECT_EQ(all[1].d.polyline.nVertices, 0);
    EXPECT_EQ(all[2].d.line.ptStart.x, 2.0);
}

TEST(DxfReaderSearch, AFailedSearchIsRememberedPerPairAlignment) {
    // From the first line the pairs are (9, "0"), (0, "9"), (0, "") and hold
    // no (0, "X"); one line later the first pair is (0, "X").
    MemoryReader r(Lines("9|0|X|9|Q"));
    r.With([&](DXFREADER* d) {
        EXPECT_FALSE(DxfFindPair(d, 0, "X"));
        EXPECT_EQ(d->dwPos, 0);
        EXPECT_FALSE(DxfFindPair(d, 0, "X")); // the same again, without a scan
        EXPECT_EQ(d->dwPos, 0);
        char line[8];
        DxfReadLine(d, line, sizeof line);
        EXPECT_TRUE(DxfFindPair(d, 0, "X"));
    });
}

// Lines of likely and unlikely kinds, with every kind of line end; the
// keywords searched for are rare, so that searches run across buffers.
std::string LineSoup(unsigned seed, int lines) {
    std::mt19937 rng(seed);
    static const std::string kCommon[] = {"0",
                                          "  0",
                                          " 10",
                                          "5",
                                          "",
                                          "-0",
                                          "00",
                                          "7x",
                                          "xTABLE",
                                          "TABLEx",
                                          "TAB",
                                          "LAYE",
                                          std::string("0\0 5", 4),
                                          std::string(40, ' ') + "0",
                                          "1.25"};
    static const std::string kKeywords[] = {"TABLE", "LAYER", "SECTION", "BLOCK", std::string("TABLE\0z", 7)};
    static const char* kEnds[] = {"\n", "\r\n", "\r", "\n\r"};
    std::string out;
    for (int i = 0; i < lines; ++i) {
        out +=
            rng() % 400 == 0 ? kKeywords[rng() % std::size(kKeywords)] : kCommon[rng() % std::size(kCommon)];
        out += kEnds[rng() % 10 < 7 ? rng() % 2 : 2 + rng() % 2];
    }
    return out;
}

// Every search result on the way through the text, with the position and
// line count it leaves.
std::vector<std::tuple<BOOL, LONG, long long>> Searches(const std::string& text, bool skim, CFile* file) {
    dxf_reader_testing::UseSkimming(skim);
    HDXFREADER h = file ? DxfOpenReader(nullptr, file, nullptr, 0)
                        : DxfOpenReader(nullptr, nullptr, reinterpret_cast<const BYTE*>(text.data()),
                                        static_cast<DWORD>(text.size()));
    std::vector<std::tuple<BOOL, LONG, long long>> out;
    {
        GlobalLockGuard<DXFREADER> r(h);
        const char* keys[] = {"TABLE", "SECTION", "LAYER", "TABLE", "BLOCK"};
        for (int i = 0; i < 400 && r->dwPos < r->dwFileSize; ++i) {
            const BOOL found = DxfFindPair(r.get(), 0, keys[i % 5]);
            out.emplace_back(found, r->dwPos, r->nLine);
            char line[64];
            if (!found || i % 3 == 0) DxfReadLine(r.get(), line, sizeof line); // a new pair alignment
        }
    }
    DxfCloseReader(h);
    dxf_reader_testing::UseSkimming(true);
    return out;
}

TEST(DxfReaderSearch, SkimmingFindsWhatPairByPairReadingFinds) {
    test::TempDir dir;
    for (unsigned seed = 1; seed <= 24; ++seed) {
        // Small texts in memory; large ones through a file, across buffers.
        const bool big = seed % 3 == 0;
        const std::string text = LineSoup(seed, big ? 60000 : 3000);
        EXPECT_EQ(Searches(text, true, nullptr), Searches(text, false, nullptr)) << seed;
        if (!big) continue;
        const std::string path = dir.File("soup.dxf");
        test::WriteFile(path, text);
        CFile a, b;
        ASSERT_TRUE(a.Open(CString(path), CFile::modeRead) && b.Open(CString(path), CFile::modeRead));
        EXPECT_EQ(Searches(text, true, &a), Searches(text, false, &b)) << seed;
    }
    // A pair that is found with each of its bytes in turn at the end of the
    // first buffer.
    for (std::size_t shift = 0; shift < 16; ++shift) {
        std::string text;
        while (text.size() < 65536 - 2000) text += "999\r\n" + std::string(1000, 'c') + "\r\n";
        text += "999\r\n" + std::string(65536 - text.size() - 7 - shift, 'c') + "\r\n";
        text += "  0\r\nTABLE\r\n  0\r\nTABLE\r\n" + LineSoup(shift, 200);
        const std::string path = dir.File("edge.dxf");
        test::WriteFile(path, text);
        CFile a, b;
        ASSERT_TRUE(a.Open(CString(path), CFile::modeRead) && b.Open(CString(path), CFile::modeRead));
        EXPECT_EQ(Searches(text, true, &a), Searches(text, false, &b)) << shift;
    }
}

TEST(DxfReaderSource, OpeningFailsCleanly) {
    EXPECT_EQ(DxfOpenReader("/nonexistent/file.dxf", nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(DxfOpenReader(nullptr, nullptr, nullptr, 0), nullptr);
    CFile closed;
    EXPECT_EQ(DxfOpenReader(nullptr, &closed, nullptr, 0), nullptr);
    const BYTE byte = 0;
    EXPECT_EQ(DxfOpenReader(nullptr, nullptr, &byte, 0x80000000u), nullptr); // beyond 32-bit offsets
}

} // namespace
