#include "dxf/dxf_heap.h"
#include "dxf_test_util.h"
#include "test_support.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using dxftest::Drawing;
using dxftest::Entities;
using dxftest::HandleCheck;
using dxftest::Lines;

std::string Fixture(const char* name) {
    return test::ReadFile(test::DataPath(std::string("dxf/") + name));
}

template <class T> void AppendBytes(std::string& out, const T* p, int n) {
    if (p && n > 0) out.append(reinterpret_cast<const char*>(p), sizeof(T) * static_cast<std::size_t>(n));
}

// What one drawing holds, as bytes, with heap pointers replaced by what
// they point to: two loads of the same content give the same text.
std::string Describe(const Drawing& d) {
    std::string out;
    AppendBytes(out, d->layers, static_cast<int>(d->nLayers));
    AppendBytes(out, d->ltypes, static_cast<int>(d->nLTypes));
    AppendBytes(out, d->styles, static_cast<int>(d->nStyles));
    AppendBytes(out, d->dimStyles, static_cast<int>(d->nDimStyles));
    std::vector<DWORD> lists{0};
    for (DWORD i = 0; i < d->nBlocks; ++i) {
        DXFBLOCK b = d->blocks[i];
        b.list.hMem = nullptr;
        b.list.dwSize = 0;
        AppendBytes(out, &b, 1);
        lists.push_back(b.dwId);
    }
    for (DWORD id : lists) {
        for (dxftest::Entity e : d.List(id)) {
            if (e.h.wType == DXF_POLYLINE) {
                AppendBytes(out, e.d.polyline.pVertices, e.d.polyline.nVertices);
                e.d.polyline.pVertices = nullptr;
            } else if (e.h.wType == DXF_SPLINE) {
                DXFSPLINE& s = e.d.spline;
                AppendBytes(out, s.pKnots, s.nKnots);
                AppendBytes(out, s.pControlPts, s.nControlPts);
                AppendBytes(out, s.pFitPts, s.nFitPts);
                if (s.pWeights) AppendBytes(out, s.pWeights, s.nControlPts);
                s.pKnots = nullptr;
                s.pControlPts = s.pFitPts = nullptr;
                s.pWeights = nullptr;
            } else if (e.h.wType == DXF_HATCH) {
                const DXFHATCH h = e.d.hatch;
                for (int i = 0; i < h.nBoundaries; ++i)
                    AppendBytes(out, h.pBoundary[i].pVertices, h.pBoundary[i].nVertices);
                AppendBytes(out, h.pPatternAngles, h.nPatternLines);
                AppendBytes(out, h.pPatternBase, h.nPatternLines);
                AppendBytes(out, h.pPatternOffset, h.nPatternLines);
                for (int i = 0; i < h.nPatternLines; ++i) AppendBytes(out, h.pDashes[i], h.pDashCounts[i]);
                e.d.hatch = DXFHATCH{};
                e.d.hatch.nPathFlags = h.nPathFlags;
                e.d.hatch.nSolid = h.nSolid;
                e.d.hatch.nStyle = h.nStyle;
                e.d.hatch.nBoundaries = h.nBoundaries;
                e.d.hatch.nPatternLines = h.nPatternLines;
            }
            AppendBytes(out, &e.h, 1);
            out.append(reinterpret_cast<const char*>(&e.d), DxfEntityDataSize(e.h.wType));
        }
    }
    return out;
}

TEST(DxfLoad, OldReleaseWithoutHandles) {
    HandleCheck handles;
    Drawing d(Fixture("r12.dxf"), true);
    ASSERT_TRUE(d.loaded);
    EXPECT_EQ(d->nLTypes, 2u);
    const DXFLTYPE& dashed = d->ltypes[1];
    EXPECT_EQ(std::tie(dashed.nDashes, dashed.dDashes[1], dashed.dPatternLength), std::tuple(2, -0.25, 0.75));
    ASSERT_EQ(d->nLayers, 3u);
    const DXFLAYER* hidden = d.Layer("HIDDEN");
    EXPECT_EQ(std::tie(hidden->nColor, hidden->bFlags, hidden->dwLineType),
              std::tuple(short(-2), BYTE(4), dashed.dwId));
    EXPECT_EQ(d->nStyles, 1u);
    EXPECT_EQ(d->styles[0].dLastHeight, 2.5);
    EXPECT_STREQ(d->styles[0].szFontFile, "txt");
    ASSERT_EQ(d->nBlocks, 2u);
    const DXFBLOCK* door = d.Block("DOOR");
    ASSERT_NE(door, nullptr);
    EXPECT_EQ(door->dwLayer, d.Layer("WALLS")->dwId);
    EXPECT_EQ(d.Types(door->dwId), (std::vector<WORD>{DXF_LINE, DXF_ARC}));
    EXPECT_EQ(d.Block("$MODEL_SPACE")->list.nCount, 0u);

    EXPECT_EQ(d.Types(),
              (std::vector<WORD>{DXF_LINE, DXF_LINE, DXF_CIRCLE, DXF_POLYLINE, DXF_TEXT, DXF_INSERT}));
    const auto all = d.List();
    EXPECT_EQ(all[1].h.nColor, 3);
    EXPECT_EQ(all[1].h.dwLayer, d.Layer("HIDDEN")->dwId);
    ASSERT_EQ(all[3].d.polyline.nVertices, 3);
    EXPECT_EQ(all[3].d.polyline.pVertices[1].dBulge, 1.0);
    EXPECT_EQ(all[3].d.polyline.wFlags, 1);
    EXPECT_STREQ(all[4].d.text.szText, "PLAN A");
    EXPECT_EQ(all[4].d.text.dwStyle, d->styles[0].dwId);
    EXPECT_EQ(all[5].d.insert.dwBlock, door->dwId);
    for (const auto& e : all) EXPECT_STREQ(e.h.szHandle, "");
    // IDs follow the order of adding: tables, blocks, then entities.
    EXPECT_EQ(d->layers[0].dwId, 18u);
    EXPECT_EQ(all[0].h.dwId + 5, all[5].h.dwId);

    // The line on the layer that is off is left out.
    DXFBOX box;
    ASSERT_TRUE(DxfGetExtents(d.h, &box));
    EXPECT_EQ(dxftest::BoxOf(box), (std::array<double, 4>{0, 0, 10, 4.5}));
}

TEST(DxfLoad, NewerReleaseWithHandlesReactorsAndSubclasses) {
    HandleCheck handles;
    Drawing d(Fixture("r2000.dxf"), true);
    ASSERT_TRUE(d.loaded);
    EXPECT_EQ(d->nLayers, 2u);
    EXPECT_EQ(d->nLTypes, 1u);
    ASSERT_EQ(d->nDimStyles, 1u);
    EXPECT_EQ(d->dimStyles[0].dTextHeight, 0.18);
    EXPECT_EQ(d->dimStyles[0].bTextAbove, 1);
    EXPECT_EQ(d->dimStyles[0].dwTextStyle, 0u);
    ASSERT_EQ(d->nBlocks, 3u); // with the block made for the dimension
    const DXFBLOCK* feather = d.Block("FEATHER");
    ASSERT_NE(feather, nullptr);
    EXPECT_EQ(feather->ptBase.x, 1.0);
    EXPECT_EQ(d.Types(feather->dwId), (std::vector<WORD>{DXF_ELLIPSE}));

    EXPECT_EQ(d.Types(), (std::vector<WORD>{DXF_POLYLINE, DXF_SPLINE, DXF_HATCH, DXF_INSERT, DXF_DIMENSION}));
    const auto all = d.List();
    EXPECT_STREQ(all[0].h.szHandle, "77"); // the reactor, not the owner outside it
    EXPECT_EQ(all[0].h.dwLayer, d.Layer("Quilt")->dwId);
    ASSERT_EQ(all[0].d.polyline.nVertices, 4);
    EXPECT_EQ(all[0].d.polyline.pVertices[0].dBulge, 0.0);
    EXPECT_EQ(all[0].d.polyline.pVertices[1].dBulge, 0.414213562373095);
    EXPECT_STREQ(all[1].h.szHandle, "");
    EXPECT_EQ(std::tie(all[1].d.spline.nKnots, all[1].d.spline.nControlPts), std::tuple(8, 4));
    EXPECT_EQ(all[1].d.spline.pControlPts[3].x, 10.0);
    EXPECT_STREQ(all[2].h.szHandle, "52");
    ASSERT_NE(all[2].d.hatch.pBoundary, nullptr);
    EXPECT_EQ(all[2].d.hatch.pBoundary->nVertices, 3);
    EXPECT_EQ(all[2].d.hatch.nSolid, 1);
    EXPECT_EQ(all[3].d.insert.dwBlock, feather->dwId);
    EXPECT_EQ(all[3].d.insert.dRotation, 30.0);
    // *D1 is not in the file: the dimension gets a block of its own, *D2.
    EXPECT_EQ(all[4].d.dimension.dwDimStyle, d->dimStyles[0].dwId);
    ASSERT_NE(d.Block("*D2"), nullptr);
    EXPECT_EQ(all[4].d.dimension.dwBlock, d.Block("*D2")->dwId);
    EXPECT_STREQ(all[4].d.dimension.szText, "20");
}

TEST(DxfLoad, LineEndsDoNotChangeWhatIsRead) {
    const std::string lf = Fixture("r2000.dxf");
    std::string crlf, cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    Drawing a(lf), b(crlf), c(cr), f(crlf, true);
    EXPECT_TRUE(a.loaded && b.loaded && c.loaded && f.loaded);
    EXPECT_FALSE(a.List().empty());
    const std::string want = Describe(a);
    EXPECT_TRUE(Describe(b) == want && Describe(c) == want && Describe(f) == want);
}

TEST(DxfLoad, EveryPositionOfTheBufferBoundaryReadsTheSame) {
    // A mix of entities pushed across the end of the first buffer one byte
    // at a time: read through the file they must give what the memory image
    // gives.
    const std::string body = Lines(
        "0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|C|0|ENDTAB|0|TABLE|2|LAYER|0|LAYER|2|L|6|C|0|ENDTAB|0|"
        "ENDSEC|"
        "0|SECTION|2|ENTITIES|0|LWPOLYLINE|8|L|90|3|10|1.5|20|2.5|42|0.5|10|3|20|4|10|5|20|6|0|TEXT|1|"
        "straddling text|40|2|0|CIRCLE|102|{ACAD_REACTORS|330|AB|102|}|10|7|20|8|40|9|0|SEQEND|0|LINE|10|1|"
        "0|ENDSEC|0|EOF",
        "\r\n");
    const Drawing reference(body);
    const std::string expected = Describe(reference);
    ASSERT_EQ(reference.List().size(), 4u);
    for (std::size_t shift = 0; shift < body.size(); ++shift) {
        // Comment pairs before the first section fill the first buffer up to
        // shift bytes before its end.
        const std::size_t fill = 65536 - shift;
        std::string text;
        while (text.size() + 2000 < fill) text += "999\r\n" + std::string(1993, 'c') + "\r\n";
        text += "999\r\n" + std::string(fill - text.size() - 7, 'c') + "\r\n";
        ASSERT_EQ(text.size(), fill);
        text += body;
        const Drawing d(text, true);
        ASSERT_TRUE(d.loaded) << shift;
        ASSERT_TRUE(Describe(d) == expected) << "boundary " << shift << " bytes into the drawing";
    }
}

TEST(DxfLoad, DamagedFilesKeepWhatCameBeforeTheDamage) {
    HandleCheck handles;
    // Cut in the middle of a value ("4" of "45") and inside a code line.
    auto cut = [](std::string text, const char* at) { return text.substr(0, text.find(at) + 1); };
    Drawing d(cut(Entities("0|LINE|10|1|0|LINE|10|2|0|LINE|10|3|20|45"), "45"));
    ASSERT_TRUE(d.loaded);
    ASSERT_EQ(d.List().size(), 3u);
    EXPECT_EQ(dxftest::XYOf(d.List()[2].d.line.ptStart), dxftest::XY(3, 4));
    Drawing e(cut(Entities("0|LINE|10|1|20|2"), "20"));
    EXPECT_EQ(e.Only().d.line.ptStart.x, 1.0);

    // A group code that is not a number reads as 0, so its value stands
    // where the next entity's name would: the LINE ends there, the bad
    // "entity" is passed over, and reading goes on.
    Drawing bad(Entities("0|LINE|10|1|abc|junk|20|2|0|CIRCLE|40|3"));
    const auto all = bad.List();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(dxftest::XYOf(all[0].d.line.ptStart), dxftest::XY(1, 0));
    EXPECT_EQ(all[1].d.circle.dRadius, 3.0);

    // Entities without their groups are stored with the defaults.
    Drawing bare(Entities("0|CIRCLE|0|TEXT|0|LWPOLYLINE|0|SPLINE|0|HATCH"));
    const auto defaults = bare.List();
    ASSERT_EQ(defaults.size(), 5u);
    EXPECT_EQ(defaults[0].d.circle.dRadius, 0.0);
    EXPECT_EQ(defaults[1].d.text.dWidthFactor, 1.0);
    EXPECT_EQ(defaults[2].d.polyline.pVertices, nullptr);
    EXPECT_EQ(defaults[3].d.spline.pKnots, nullptr);
    EXPECT_EQ(defaults[4].d.hatch.pBoundary, nullptr);

    // A section never closed; a code other than 0 where an entity must
    // start (it ends the stream); no sections at all; nothing at all.
    const std::pair<std::string, std::vector<WORD>> cases[] = {
        {Lines("0|SECTION|2|ENTITIES|0|LINE|10|1|0|CIRCLE|40|2"), {DXF_LINE, DXF_CIRCLE}},
        {Lines("0|SECTION|2|ENTITIES|5|junk|0|LINE|0|ENDSEC|0|EOF"), {}},
        {"just some text\nwithout pairs", {}},
        {"", {}},
    };
    for (const auto& [text, types] : cases) {
        Drawing c(text);
        EXPECT_TRUE(c.loaded) << text;
        EXPECT_EQ(c.Types(), types) << text;
    }
}

TEST(DxfLoad, NamesIgnoreCaseAndTablesGrowPastTheOldLimits) {
    // A layer names its line type in another case, one names a line type
    // that is not there (kept without one), an entity its layer in capitals.
    std::string tables = "0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|Continuous|0|ENDTAB|0|TABLE|2|LAYER|"
                         "0|LAYER|2|A|6|CONTINUOUS|0|LAYER|2|b|6|GONE";
    for (int i = 0; i < 130; ++i) tables += "|0|LAYER|2|L" + std::to_string(i) + "|6|C";
    tables += "|0|ENDTAB|0|ENDSEC|0|SECTION|2|BLOCKS";
    for (int i = 0; i < 257; ++i)
        tables += "|0|BLOCK|2|B" + std::to_string(i) + "|0|LINE|10|" + std::to_string(i) + "|0|ENDBLK";
    tables += "|0|ENDSEC|0|SECTION|2|ENTITIES|0|INSERT|2|b256|0|LINE|8|B|0|ENDSEC|0|EOF";
    Drawing d(Lines(tables));
    ASSERT_TRUE(d.loaded);
    EXPECT_EQ(d->nLayers, 132u);
    EXPECT_EQ(d->nBlocks, 257u);
    EXPECT_EQ(d->layers[0].dwLineType, d->ltypes[0].dwId);
    EXPECT_EQ(d->layers[1].dwLineType, 0u);
    const auto all = d.List();
    ASSERT_EQ(d.Types(), (std::vector<WORD>{DXF_INSERT, DXF_LINE}));
    EXPECT_EQ(all[0].d.insert.dwBlock, d.Block("B256")->dwId);
    EXPECT_EQ(all[1].h.dwLayer, d->layers[1].dwId);
}

TEST(DxfLoad, ProgressRunsFromZeroToAHundred) {
    const std::string text = Fixture("straddle.dxf");
    Drawing probe("");
    std::vector<int> seen;
    ASSERT_TRUE(DxfLoadFile(probe.h, DxfSource::Memory(text.data(), text.size()),
                            [&](int percent) { seen.push_back(percent); }));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    for (std::size_t i = 1; i + 1 < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
    EXPECT_GT(seen[1], 90); // the entities sit behind 64 KiB of comments
}

// A file whose second read fails, as a disk or a network share may.
class FailingFile : public CFile {
public:
    UINT Read(void* buf, UINT count) override {
        if (++m_reads > 1) throw CFileException(CFileException::hardIO, 5, GetFilePath());
        return CFile::Read(buf, count);
    }

private:
    int m_reads = 0;
};

// A file that claims to be larger than 32-bit offsets reach.
class HugeFile : public CFile {
public:
    ULONGLONG GetLength() const override { return 3ull << 30; }
};

TEST(DxfLoad, AReadErrorFailsTheLoadAndKeepsWhatWasRead) {
    HandleCheck handles;
    test::TempDir dir;
    const std::string path = dir.File("big.dxf");
    std::string body;
    for (int i = 0; i < 6000; ++i) body += "0|LINE|10|" + std::to_string(i) + "|";
    test::WriteFile(path, Entities(body + "0|CIRCLE"));
    {
        FailingFile file;
        ASSERT_TRUE(file.Open(CString(path), CFile::modeRead));
        Drawing d("");
        EXPECT_FALSE(DxfLoadFile(d.h, DxfSource::File(&file)));
        const auto all = d.List();
        EXPECT_GT(all.size(), 1000u);
        EXPECT_LT(all.size(), 6000u);
        EXPECT_EQ(all.back().h.wType, DXF_LINE);
    }
    {
        HugeFile file;
        ASSERT_TRUE(file.Open(CString(path), CFile::modeRead));
        Drawing d("");
        EXPECT_FALSE(DxfLoadFile(d.h, DxfSource::File(&file)));
        EXPECT_TRUE(d.List().empty());
    }
    Drawing byName("");
    EXPECT_TRUE(DxfLoadFile(byName.h, DxfSource::Path(path.c_str())));
    EXPECT_EQ(byName.List().size(), 6001u);
    EXPECT_FALSE(DxfLoadFile(byName.h, DxfSource::Path(dir.File("missing.dxf").c_str())));
    EXPECT_FALSE(DxfLoadFile(byName.h, DxfSource{}));
    EXPECT_FALSE(DxfLoadFile(nullptr, DxfSource::Path(path.c_str())));
}

TEST(DxfLoad, EveryFailedAllocationIsHandledAndReleased) {
    // Each relocatable block and each heap array the load asks for is
    // refused in turn; the load must survive each and leave nothing behind.
    const std::string text = Fixture("r2000.dxf") + Fixture("r12.dxf");
    auto run = [&](auto&& failAt, auto&& count, auto&& reset) {
        for (bool throughFile : {false, true}) {
            for (long k = 0;; ++k) {
                HandleCheck handles;
                reset();
                failAt(k);
                {
                    Drawing d(text, throughFile);
                    if (d.h) DxfZoomExtents(d.h);
                }
                failAt(-1);
                if (count() <= k) break; // every allocation has had its turn
                ASSERT_LT(k, 10000);
            }
        }
    };
    run([](long k) { global_memory_testing::FailAllocationAfter(k); },
        [] { return global_memory_testing::AllocationCount(); },
        [] { global_memory_testing::ResetAllocationCount(); });
    run([](long k) { dxf_heap_testing::FailAllocationAfter(k); },
        [] { return dxf_heap_testing::AllocationCount(); }, [] { dxf_heap_testing::ResetAllocationCount(); });
}

} // namespace
