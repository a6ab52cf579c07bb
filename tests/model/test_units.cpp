#include "model/formats.h"
#include "model/loomveil_doc.h"
#include "model/units.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

// A drawing with a header naming $INSUNITS (when code is given) and one
// LINE from (0, 0) to (10, 5).
std::string Drawing(const char* code) {
    std::string s = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n";
    if (code) s += std::string("9\n$INSUNITS\n70\n") + code + "\n";
    s += "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n10\n21\n5\n31\n0\n"
         "0\nENDSEC\n0\nEOF\n";
    return s;
}

std::optional<int> InsUnitsOf(const std::string& text) {
    return units::ReadInsUnits(DxfSource::Memory(text.data(), text.size()));
}

TEST(Units, EveryInputFormatHasOneRowAndOnlyFixedUnitsAreKnown) {
    for (const char* ext : {"iqp", "cdr", "qcc", "qli", "hqv", "dxf", "pat", "ssd", "hqf", "cmd", "plt", "cqp",
                            "txt", "4qb"}) {
        const units::FormatUnit* u = units::FindFormatUnit(ext);
        ASSERT_NE(u, nullptr) << ext;
        ASSERT_NE(FindInputFormat(ext), nullptr) << ext;
        EXPECT_EQ(u->name, FindInputFormat(ext)->name) << ext;
        EXPECT_TRUE(u->readable) << ext;
        EXPECT_EQ(u->basis == units::Basis::fixed, u->mmPerUnit > 0) << ext;
    }
    // HPGL's plotter unit: 40 to the millimetre, 1016 to the inch.
    const units::FormatUnit* plt = units::FindFormatUnit("plt");
    EXPECT_EQ(plt->basis, units::Basis::fixed);
    EXPECT_DOUBLE_EQ(1.0 / plt->mmPerUnit, 40.0);
    EXPECT_DOUBLE_EQ(units::kMmPerInch / plt->mmPerUnit, 1016.0);
    EXPECT_EQ(units::FindFormatUnit("cqp")->basis, units::Basis::unknown);
    EXPECT_EQ(units::FindFormatUnit("qli")->basis, units::Basis::unknown);
    EXPECT_EQ(units::FindFormatUnit("dxf")->basis, units::Basis::drawing);
    // EXP is written, never read.
    const units::FormatUnit* exp = units::FindFormatUnit("exp");
    ASSERT_NE(exp, nullptr);
    EXPECT_FALSE(exp->readable);
    EXPECT_DOUBLE_EQ(exp->mmPerUnit, 0.1);
    EXPECT_EQ(units::FindFormatUnit("QLI"), nullptr);
    EXPECT_EQ(units::FindFormatUnit("svg"), nullptr);
}

TEST(Units, InsUnitCodes) {
    EXPECT_EQ(units::MmPerInsUnit(1), 25.4);
    EXPECT_EQ(units::MmPerInsUnit(2), 304.8);
    EXPECT_EQ(units::MmPerInsUnit(4), 1.0);
    EXPECT_EQ(units::MmPerInsUnit(5), 10.0);
    EXPECT_EQ(units::MmPerInsUnit(6), 1000.0);
    EXPECT_EQ(units::MmPerInsUnit(9), 0.0254);
    EXPECT_EQ(units::MmPerInsUnit(10), 914.4);
    EXPECT_EQ(units::MmPerInsUnit(13), 0.001);
    EXPECT_NEAR(*units::MmPerInsUnit(21), 304.8006096, 1e-7); // US survey foot
    EXPECT_NEAR(*units::MmPerInsUnit(22), 25.4000508, 1e-7);
    // Unitless, and codes the format does not define.
    for (int code : {0, -1, 25, 1000}) EXPECT_FALSE(units::MmPerInsUnit(code)) << code;
    EXPECT_EQ(units::InsUnitName(0), "unitless");
    EXPECT_EQ(units::InsUnitName(4), "millimetres");
    EXPECT_EQ(units::InsUnitName(25), "");
    EXPECT_EQ(units::InsUnitName(-1), "");
}

TEST(Units, InsUnitsFromTheDrawingHeader) {
    EXPECT_EQ(InsUnitsOf(Drawing("     4")), 4);
    EXPECT_EQ(InsUnitsOf(Drawing("1")), 1);
    EXPECT_EQ(InsUnitsOf(Drawing("0")), 0);
    EXPECT_EQ(InsUnitsOf(Drawing(nullptr)), std::nullopt);
    EXPECT_EQ(InsUnitsOf(Drawing("mm")), std::nullopt);
    EXPECT_EQ(InsUnitsOf(Drawing("4.5")), std::nullopt);
    // CR LF lines, and the name as another variable's value does not count.
    std::string crlf;
    for (char c : Drawing("6")) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(InsUnitsOf(crlf), 6);
    const std::string decoy = "0\nSECTION\n2\nHEADER\n9\n$MENU\n1\n$INSUNITS\n9\n$INSUNITS\n70\n5\n0\nENDSEC\n0\nEOF\n";
    EXPECT_EQ(InsUnitsOf(decoy), 5);
    // Only a header that is the first section is looked at.
    const std::string late = "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n4\n0\nENDSEC\n";
    EXPECT_EQ(InsUnitsOf(late), std::nullopt);
    EXPECT_EQ(InsUnitsOf(""), std::nullopt);
}

TEST(Units, DxfOutlinePixelsFollowTheFitOfTheExtents) {
    // Extents 10 x 5 in 420 x 220 pixels: zoom = min(200 / 100, 400 / 200) =
    // 2, so one unit spans 20 · 2 pixels.
    const std::string d = Drawing("4");
    EXPECT_DOUBLE_EQ(units::DxfPixelsPerDrawingUnit(DxfSource::Memory(d.data(), d.size()), 420, 220), 40.0);
    EXPECT_DOUBLE_EQ(units::DxfPixelsPerDrawingUnit(DxfSource::Memory(d.data(), d.size()), 220, 220), 20.0);
    const std::string empty = "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n";
    EXPECT_EQ(units::DxfPixelsPerDrawingUnit(DxfSource::Memory(empty.data(), empty.size()), 420, 220), 0.0);
}

TEST(Units, UnitOfARenderedPointList) {
    test::TempDir dir;
    CLoomveilDoc doc;
    auto unitOf = [&](const std::string& name, const std::string& bytes) {
        test::WriteFile(dir.File(name), bytes);
        doc.SetCurrentFile(CString(dir.File(name)));
        return units::UnitOfPointList(doc, 420, 220);
    };
    EXPECT_DOUBLE_EQ(unitOf("a.PLT", "").mmPerUnit, 0.025);
    const units::ListUnit qli = unitOf("a.qli", "");
    EXPECT_FALSE(qli.Known());
    EXPECT_EQ(qli.why, "QLI files do not say what their coordinates measure");
    EXPECT_EQ(unitOf("a.cdr", "").why, "a CDR preview file holds only a picture, no pattern to measure");
    EXPECT_EQ(unitOf("a.xyz", "").why, "files of type \"xyz\" are not read");
    EXPECT_EQ(unitOf("a.exp", "").why, "files of type \"exp\" are not read");

    // A DXF outline is in pixels of the render: 1 mm per unit over 40
    // pixels per unit.
    EXPECT_DOUBLE_EQ(unitOf("mm.dxf", Drawing("4")).mmPerUnit, 1.0 / 40);
    EXPECT_DOUBLE_EQ(unitOf("in.dxf", Drawing("1")).mmPerUnit, 25.4 / 40);
    EXPECT_EQ(unitOf("none.dxf", Drawing(nullptr)).why,
              "the DXF drawing does not say what its units are (no $INSUNITS)");
    EXPECT_EQ(unitOf("zero.dxf", Drawing("0")).why, "the DXF drawing is unitless ($INSUNITS 0)");
    EXPECT_EQ(unitOf("odd.dxf", Drawing("99")).why, "the DXF drawing's $INSUNITS 99 is not a known unit");
    EXPECT_EQ(unitOf("flat.dxf", "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n4\n0\nENDSEC\n0\nEOF\n").why,
              "the DXF drawing has no extent to measure");
}

TEST(Units, PhysicalSizeText) {
    EXPECT_EQ(units::FormatPhysicalSize(210, 297), "210.00 x 297.00 mm (8.268 x 11.693 in)");
    EXPECT_EQ(units::FormatPhysicalSize(100, 0), "100.00 x 0.00 mm (3.937 x 0.000 in)");
}

} // namespace
