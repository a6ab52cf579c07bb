#include "dxf/cdxf_drawing.h"
#include "dxf_test_util.h"
#include "model/limits.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

// An empty drawing, locked, destroyed at the end of the scope.
struct Empty {
    HDXFDRAWING h = DxfCreateDrawing();
    DXFDRAWING* d = static_cast<DXFDRAWING*>(GlobalLock(h));
    ~Empty() {
        GlobalUnlock(h);
        EXPECT_TRUE(DxfDestroyDrawing(h));
    }
};

DXFLTYPE LineType(const char* name) {
    DXFLTYPE t{};
    std::strcpy(t.szName, name);
    return t;
}

DXFLAYER Layer(const char* name, DWORD lineType) {
    DXFLAYER l{};
    std::strcpy(l.szName, name);
    l.dwLineType = lineType;
    return l;
}

DXFBLOCK BlockNamed(const std::string& name) {
    DXFBLOCK b{};
    std::strcpy(b.szName, name.c_str());
    return b;
}

DWORD AddLine(DXFDRAWING* d, DWORD block, double x1, double y1, double x2, double y2) {
    DXFENTITYHEADER h{};
    h.wType = DXF_LINE;
    DXFLINE l{{x1, y1, 0}, {x2, y2, 0}};
    return DxfAddEntity(d, block, &h, &l);
}

TEST(DxfDatabase, TableRecordsTakeIdsFromSixteenUnderTheTablesRules) {
    Empty e;
    EXPECT_EQ(e.d->dwLastId, 15u);
    DXFLTYPE cont = LineType("CONT");
    const DWORD lt = DxfAddTableRecord(e.h, DXF_TABLE_LTYPE, &cont);
    EXPECT_EQ(lt, 16u);
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_LTYPE, &cont), 0u); // the same name again
    DXFLAYER walls = Layer("CONT", lt);                            // the same name in another table
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_LAYER, &walls), 17u);
    DXFLAYER orphan = Layer("ORPHAN", 999);
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_LAYER, &orphan), 0u); // no such line type
    EXPECT_EQ(DxfAddTableRecord(e.h, 2, &cont), 0u);                 // no such table
    DXFDIMSTYLE ds{};
    std::strcpy(ds.szName, "ISO");
    ds.dwTextStyle = 12345;
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_DIMSTYLE, &ds), 0u); // a text style that is not there
    ds.dwTextStyle = 0;
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_DIMSTYLE, &ds), 18u); // none at all is allowed
    EXPECT_EQ(e.d->dwLastId, 18u);                                   // refusals took no ID

    for (int i = 1; i < DXF_MAX_LAYERS; ++i) {
        DXFLAYER l = Layer(("L" + std::to_string(i)).c_str(), lt);
        ASSERT_NE(DxfAddTableRecord(e.h, DXF_TABLE_LAYER, &l), 0u) << i;
    }
    DXFLAYER extra = Layer("ONE-TOO-MANY", lt);
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_LAYER, &extra), 0u);
    EXPECT_EQ(e.d->nLayers, static_cast<DWORD>(DXF_MAX_LAYERS));
    for (int i = 1; i < DXF_MAX_DIMSTYLES; ++i) {
        std::strcpy(ds.szName, ("D" + std::to_string(i)).c_str());
        ASSERT_NE(DxfAddTableRecord(e.h, DXF_TABLE_DIMSTYLE, &ds), 0u);
    }
    std::strcpy(ds.szName, "D-EXTRA");
    EXPECT_EQ(DxfAddTableRecord(e.h, DXF_TABLE_DIMSTYLE, &ds), 0u);
}

TEST(DxfDatabase, FindingTableRecords) {
    Empty e;
    DXFLTYPE a = LineType("A"), b = LineType("B"), c = LineType("C");
    DxfAddTableRecord(e.h, DXF_TABLE_LTYPE, &a);
    DxfAddTableRecord(e.h, DXF_TABLE_LTYPE, &b);
    DxfAddTableRecord(e.h, DXF_TABLE_LTYPE, &c);
    DXFLTYPE out{};
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_FIRST, &out), 16u);
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_NEXT, &out), 17u);
    EXPECT_STREQ(out.szName, "B");
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_PREV, &out), 16u);
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_PREV, &out), 0u); // at the first
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_LAST, &out), 18u);
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_NEXT, &out), 0u);  // at the last
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LAYER, DXF_FIND_FIRST, &out), 0u); // empty table
    out = LineType("B");
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_BYNAME, &out), 17u);
    out = LineType("b");
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_BYNAME, &out), 17u); // names ignore case
    EXPECT_STREQ(out.szName, "B");
    // By ID or name: every match is copied, the last one wins.
    out = LineType("A");
    out.dwId = 18;
    EXPECT_EQ(DxfFindTableRecord(e.d, DXF_TABLE_LTYPE, DXF_FIND_BYNAME | DXF_FIND_BYID, &out), 18u);
    EXPECT_STREQ(out.szName, "C");
    // Table 0: DIMSTYLE, LAYER, LTYPE, STYLE in turn, the first table that matches.
    DXFLAYER layerB = Layer("B", 16);
    DxfAddTableRecord(e.h, DXF_TABLE_LAYER, &layerB);
    DXFTABLERECORD any{};
    std::strcpy(any.ltype.szName, "B");
    EXPECT_EQ(DxfFindTableRecord(e.d, 0, DXF_FIND_BYNAME, &any), e.d->layers[0].dwId);
    EXPECT_EQ(any.layer.dwLineType, 16u);
}

TEST(DxfDatabase, BlocksAreLimitedAndFoundByOneFlag) {
    Empty e;
    for (int i = 0; i < DXF_MAX_BLOCKS; ++i) {
        DXFBLOCK b = BlockNamed("B" + std::to_string(i));
        ASSERT_NE(DxfAddBlock(e.d, &b), 0u) << i;
    }
    DXFBLOCK extra = BlockNamed("EXTRA");
    EXPECT_EQ(DxfAddBlock(e.d, &extra), 0u);
    DXFBLOCK dup = BlockNamed("B3");
    EXPECT_EQ(DxfAddBlock(e.d, &dup), 0u);
    EXPECT_EQ(e.d->blocks[0].list.hMem, nullptr); // a list is made with its first entity

    DXFBLOCK out = BlockNamed("B7");
    EXPECT_EQ(DxfFindBlock(e.d, DXF_FIND_BYNAME, &out), e.d->blocks[7].dwId);
    EXPECT_EQ(DxfFindBlock(e.d, DXF_FIND_NEXT, &out), e.d->blocks[8].dwId); // the search moved the cursor
    EXPECT_EQ(DxfFindBlock(e.d, DXF_FIND_LAST, &out), e.d->blocks[DXF_MAX_BLOCKS - 1].dwId);
    EXPECT_EQ(DxfFindBlock(e.d, DXF_FIND_NEXT, &out), 0u);
    EXPECT_EQ(DxfFindBlock(e.d, DXF_FIND_FIRST | DXF_FIND_NEXT, &out), 0u); // one flag only
    out.dwId = e.d->blocks[3].dwId;
    EXPECT_EQ(DxfFindBlock(e.d, DXF_FIND_BYID, &out), e.d->blocks[3].dwId);
    EXPECT_STREQ(out.szName, "B3");
}

TEST(DxfDatabase, EntityListsGrowAndAreWalkedInOrder) {
    global_memory_testing::ForceMoves(true); // each growth moves the list
    {
        Empty e;
        const int n = 2000; // about 270 KB of records
        for (int i = 0; i < n; ++i) ASSERT_EQ(AddLine(e.d, 0, i, 0, i, 1), 16u + i);
        EXPECT_GT(e.d->entities.dwSize, DXF_ENTITIES_LIST_BYTES);
        EXPECT_EQ(e.d->entities.dwSize % DXF_LIST_GROWTH, 0u);
        EXPECT_EQ(e.d->entities.nCount, static_cast<DWORD>(n));

        DXFENTITYHEADER h{};
        DXFENTITYDATA data{};
        DWORD off = 99;
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_FIRST, &off), 16u);
        EXPECT_EQ(off, 0u);
        for (int i = 1; i < n; ++i) {
            ASSERT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_NEXT, &off), 16u + i);
            ASSERT_EQ(data.line.ptStart.x, i);
        }
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_NEXT, nullptr), 0u);
        DWORD lastOff = 0;
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_LAST, &lastOff), 16u + n - 1);
        EXPECT_EQ(lastOff, off);
        EXPECT_EQ(h.dwNext, e.d->entities.dwUsed);
        EXPECT_EQ(h.dwPrev, off - (sizeof(DXFENTITYHEADER) + sizeof(DXFLINE)));
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_NEXT, nullptr), 0u); // LAST then NEXT fails
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_PREV, nullptr), 0u);
        h.dwId = 16 + 1234;
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_BYID, nullptr), 16u + 1234);
        EXPECT_EQ(data.line.ptStart.x, 1234.0);
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_NEXT, nullptr), 16u + 1235);
        h.dwId = 5;
        EXPECT_EQ(DxfFindEntity(e.d, nullptr, &h, &data, DXF_FIND_BYID, nullptr), 0u);
    }
    global_memory_testing::ForceMoves(false);
}

TEST(DxfDatabase, RefusedEntitiesStoreNothingAndUseNoId) {
    Empty e;
    DXFENTITYHEADER h{};
    DXFLINE l{};
    h.wType = 4; // not a type
    EXPECT_EQ(DxfAddEntity(e.d, 0, &h, &l), 0u);
    h.wType = 33;
    EXPECT_EQ(DxfAddEntity(e.d, 0, &h, &l), 0u);
    h.wType = DXF_LINE;
    EXPECT_EQ(DxfAddEntity(e.d, 77, &h, &l), 0u); // no such block
    DXFENTITYHEADER out{};
    EXPECT_EQ(DxfFindEntity(e.d, "NOPE", &out, nullptr, DXF_FIND_FIRST, nullptr), 0u);
    // A list that cannot grow keeps what it has.
    DXFBLOCK b = BlockNamed("SMALL");
    const DWORD block = DxfAddBlock(e.d, &b);
    int stored = AddLine(e.d, block, 1, 1, 2, 2) != 0;
    const DWORD need = sizeof(DXFENTITYHEADER) + sizeof(DXFLINE);
    while (e.d->blocks[0].list.dwSize > e.d->blocks[0].list.dwUsed + need)
        stored += AddLine(e.d, block, 1, 1, 2, 2) != 0;
    const DWORD last = e.d->dwLastId;
    global_memory_testing::FailAllocationAfter(0);
    EXPECT_EQ(AddLine(e.d, block, 3, 3, 4, 4), 0u);
    EXPECT_EQ(e.d->dwLastId, last);
    EXPECT_EQ(e.d->blocks[0].list.nCount, static_cast<DWORD>(stored));
    EXPECT_NE(AddLine(e.d, block, 3, 3, 4, 4), 0u); // memory is back
    EXPECT_EQ(DxfFindEntity(e.d, "SMALL", &out, nullptr, DXF_FIND_LAST, nullptr), last + 1);
}

TEST(DxfDatabase, EntityBoxesAreOrdered) {
    Empty e;
    DXFENTITYHEADER h{};
    DXFBOX box;
    h.wType = DXF_CIRCLE;
    DXFCIRCLE c{{1, 2, 0}, 3};
    ASSERT_TRUE(DxfGetEntityBox(e.d, &h, &c, &box));
    EXPECT_EQ(box.minX, -2.0);
    EXPECT_EQ(box.maxY, 5.0);
    // Arcs and ellipses by their extremes, not their end points or an
    // upright box.
    h.wType = DXF_ARC;
    DXFARC a{{0, 0, 0}, 2, 45, 135};
    ASSERT_TRUE(DxfGetEntityBox(e.d, &h, &a, &box));
    EXPECT_NEAR(box.minX, -std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(box.maxY, 2.0, 1e-9);
    EXPECT_NEAR(box.minY, std::sqrt(2.0), 1e-9);
    h.wType = DXF_ELLIPSE;
    DXFELLIPSE el{{0, 0, 0}, {0, 4, 0}, 0.5, 0, 0};
    ASSERT_TRUE(DxfGetEntityBox(e.d, &h, &el, &box));
    EXPECT_EQ(dxftest::BoxOf(box), (std::array<double, 4>{-2, -4, 2, 4}));
    h.wType = DXF_TEXT;
    DXFTEXT t{};
    t.ptInsert = {10, 20, 0};
    t.dHeight = 2;
    t.dWidthFactor = 1;
    std::strcpy(t.szText, "ABCDE"); // the glyphs drawn: baseline to cap line
    ASSERT_TRUE(DxfGetEntityBox(e.d, &h, &t, &box));
    EXPECT_GT(box.minX, 10.0);
    EXPECT_LT(box.maxX, 10.0 + 5 * 2 * 1.1);
    EXPECT_NEAR(box.minY, 20.0, 1e-9);
    EXPECT_NEAR(box.maxY, 22.0, 1e-9);
    h.wType = DXF_POLYLINE;
    DXFPOLYLINE none{};
    EXPECT_FALSE(DxfGetEntityBox(e.d, &h, &none, &box));
    h.wType = DXF_HATCH;
    DXFHATCH hatch{};
    EXPECT_FALSE(DxfGetEntityBox(e.d, &h, &hatch, &box));
}

TEST(DxfDatabase, InsertBoxesFollowTheirBlocksAndEndOnLoops) {
    Empty e;
    DXFBLOCK b = BlockNamed("UNIT");
    const DWORD unit = DxfAddBlock(e.d, &b);
    AddLine(e.d, unit, 0, 0, 1, 2);
    DXFENTITYHEADER h{};
    h.wType = DXF_INSERT;
    DXFINSERT ins{{10, 10, 0}, -2, 3, 1, 0, unit, 1, 1, 0, 0}; // mirrored in x
    DXFBOX box;
    ASSERT_TRUE(DxfGetEntityBox(e.d, &h, &ins, &box));
    EXPECT_EQ(box.minX, 8.0);
    EXPECT_EQ(box.maxX, 10.0);
    EXPECT_EQ(box.minY, 10.0);
    EXPECT_EQ(box.maxY, 16.0);
    ins.dwBlock = 999;
    EXPECT_FALSE(DxfGetEntityBox(e.d, &h, &ins, &box));

    // A block that inserts itself, and a fan of blocks that each insert the
    // next one many times: both end, and quickly.
    DXFBLOCK self = BlockNamed("SELF");
    const DWORD selfId = DxfAddBlock(e.d, &self);
    DXFINSERT loop{{1, 0, 0}, 1, 1, 1, 0, selfId, 1, 1, 0, 0};
    DxfAddEntity(e.d, selfId, &h, &loop);
    AddLine(e.d, selfId, 0, 0, 1, 1);
    DXFINSERT top{{0, 0, 0}, 1, 1, 1, 0, selfId, 1, 1, 0, 0};
    ASSERT_TRUE(DxfGetEntityBox(e.d, &h, &top, &box));
    EXPECT_EQ(box.maxX, 1.0); // the block met inside itself adds nothing

    DWORD below = 0;
    for (int level = 0; level < 30; ++level) {
        DXFBLOCK fan = BlockNamed("FAN" + std::to_string(level));
        const DWORD id = DxfAddBlock(e.d, &fan);
        if (below == 0) AddLine(e.d, id, 0, 0, 1, 1);
        for (int k = 0; k < 10 && below; ++k) {
            DXFINSERT in{{static_cast<double>(k), 0, 0}, 1, 1, 1, 0, below, 1, 1, 0, 0};
            DxfAddEntity(e.d, id, &h, &in);
        }
        below = id;
    }
    DxfAddEntity(e.d, 0, &h, &top);
    DXFINSERT fanTop{{0, 0, 0}, 1, 1, 1, 0, below, 1, 1, 0, 0};
    DxfAddEntity(e.d, 0, &h, &fanTop);
    // 10^29 paths through the fan: each block is measured once.
    ASSERT_TRUE(DxfGetExtents(e.h, &box));
    EXPECT_EQ(box.maxX, 9.0 * 29 + 1);
}

TEST(DxfDatabase, ZoomFitsTheExtentsCentred) {
    Empty e;
    AddLine(e.d, 0, 0, 0, 10, 5);
    DXFENTITYHEADER h{};
    h.wType = DXF_POINT;
    DXFPOINT bad{{NAN, 1, 0}};
    DxfAddEntity(e.d, 0, &h, &bad); // a box that is not finite is left out
    DXFBOX box;
    ASSERT_TRUE(DxfGetExtents(e.h, &box));
    EXPECT_EQ(box.maxX, 10.0);
    EXPECT_EQ(box.maxY, 5.0);
    ASSERT_TRUE(DxfSetView(e.h, 0, 0, 420, 220, RGB(0xD0, 0xD0, 0xD0)));
    ASSERT_TRUE(DxfZoomExtents(e.h));
    EXPECT_EQ(e.d->dZoom, 2.0);
    EXPECT_EQ(e.d->dUnit, 20.0);
    // 420 px hold 10.5 units at zoom 2: a quarter unit free on each side.
    EXPECT_EQ(e.d->dXorg, -0.25);
    EXPECT_EQ(e.d->dYorg, -0.25);
    EXPECT_EQ(e.d->crBackground, RGB(0xD0, 0xD0, 0xD0));
}

TEST(DxfDatabase, ZoomWithoutExtentsOrWithoutWidth) {
    {
        Empty e;
        DxfSetView(e.h, 5, 5, 100, 100, 0);
        DXFBOX box;
        EXPECT_FALSE(DxfGetExtents(e.h, &box));
        EXPECT_TRUE(DxfZoomExtents(e.h));
        EXPECT_EQ(e.d->dZoom, 1.0);
        EXPECT_EQ(e.d->dXorg, 0.0);
    }
    {
        Empty e;
        AddLine(e.d, 0, 3, 0, 3, 10); // no width: fitted by its height
        DxfSetView(e.h, 0, 0, 100, 220, 0);
        DxfZoomExtents(e.h);
        EXPECT_EQ(e.d->dZoom, 1.0);
        EXPECT_EQ(e.d->dXorg, 3.0 - 2.5);
    }
    {
        Empty e;
        AddLine(e.d, 0, 3, 4, 3, 4); // a single point
        DxfSetView(e.h, 0, 0, 100, 100, 0);
        DxfZoomExtents(e.h);
        EXPECT_TRUE(std::isfinite(e.d->dXorg));
        EXPECT_EQ(e.d->dZoom, 1.0);
    }
}

TEST(DxfDatabase, DestructionWaitsForOtherLocksAndTheWrapperCleansUp) {
    const std::size_t live = global_memory_testing::LiveBlocks();
    HDXFDRAWING h = DxfCreateDrawing();
    GlobalLock(h);
    EXPECT_FALSE(DxfDestroyDrawing(h)); // held elsewhere: nothing freed
    GlobalUnlock(h);
    EXPECT_TRUE(DxfDestroyDrawing(h));
    EXPECT_FALSE(DxfDestroyDrawing(h));
    {
        CDxfDrawing drawing;
        EXPECT_FALSE(drawing.SetView(0, 0, 1, 1, 0)); // no drawing yet
        ASSERT_TRUE(drawing.Create());
        EXPECT_FALSE(drawing.Create());
        EXPECT_FALSE(drawing.LoadFile(nullptr));
        CFile closed;
        EXPECT_FALSE(drawing.LoadFile(&closed));
        EXPECT_TRUE(drawing.SetView(0, 0, 100, 100, 0));
        EXPECT_TRUE(drawing.ZoomExtents());
    }
    EXPECT_EQ(global_memory_testing::LiveBlocks(), live);
}

} // namespace
