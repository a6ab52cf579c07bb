#include "dxf/dxf_units.h"
#include "model/units.h"
#include "readers/list_unit.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

// A header naming $INSUNITS (when code is given) and one LINE (0, 0)–(10, 5).
std::string Drawing(const char* code) {
    std::string s = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n";
    if (code) s += std::string("9\n$INSUNITS\n70\n") + code + "\n";
    return s +
           "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n10\n21\n5\n31\n0\n"
           "0\nENDSEC\n0\nEOF\n";
}

std::optional<int> InsUnitsOf(const std::string& text) {
    return units::ReadInsUnits(DxfSource::Memory(text.data(), text.size()));
}

TEST(Units, InsUnitsCodesAndTheHeaderThatStatesThem) {
    EXPECT_EQ(units::MmPerInsUnit(1), 25.4);
    EXPECT_EQ(units::MmPerInsUnit(4), 1.0);
    EXPECT_EQ(units::MmPerInsUnit(6), 1000.0);
    EXPECT_NEAR(*units::MmPerInsUnit(21), 304.8006096, 1e-7); // US survey foot
    for (int code : {0, -1, 25}) EXPECT_FALSE(units::MmPerInsUnit(code)) << code;
    EXPECT_EQ(units::InsUnitName(0), "unitless");
    EXPECT_EQ(units::InsUnitName(25), "");

    EXPECT_EQ(InsUnitsOf(Drawing("     4")), 4);
    EXPECT_EQ(InsUnitsOf(Drawing(nullptr)), std::nullopt);
    EXPECT_EQ(InsUnitsOf(Drawing("4.5")), std::nullopt);
    std::string crlf;
    for (char c : Drawing("6")) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(InsUnitsOf(crlf), 6);
    // The name as another variable's value does not count; a header that is
    // not the first section is not looked at.
    EXPECT_EQ(InsUnitsOf("0\nSECTION\n2\nHEADER\n9\n$MENU\n1\n$INSUNITS\n9\n$INSUNITS\n70\n5\n0\nENDSEC\n"),
              5);
    EXPECT_EQ(InsUnitsOf("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n4\n"),
              std::nullopt);
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
    EXPECT_EQ(unitOf("a.iqp", "").why, "IQP files do not say what their coordinates measure");
    EXPECT_EQ(unitOf("a.cdr", "").why, "a CDR preview file holds only a picture, no pattern to measure");
    EXPECT_EQ(unitOf("a.xyz", "").why, "files of type \"xyz\" are not read");

    // A DXF outline is in pixels of the render: extents 10 x 5 in 420 x 220
    // give zoom min(200 / 100, 400 / 200) = 2, so a unit spans 20 · 2 pixels.
    EXPECT_DOUBLE_EQ(unitOf("mm.dxf", Drawing("4")).mmPerUnit, 1.0 / 40);
    EXPECT_DOUBLE_EQ(unitOf("in.dxf", Drawing("1")).mmPerUnit, 25.4 / 40);
    EXPECT_EQ(unitOf("none.dxf", Drawing(nullptr)).why,
              "the DXF drawing does not say what its units are (no $INSUNITS)");
    EXPECT_EQ(unitOf("zero.dxf", Drawing("0")).why, "the DXF drawing is unitless ($INSUNITS 0)");
    EXPECT_EQ(unitOf("odd.dxf", Drawing("99")).why, "the DXF drawing's $INSUNITS 99 is not a known unit");
    EXPECT_EQ(unitOf("flat.dxf", "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n4\n0\nENDSEC\n0\nEOF\n").why,
              "the DXF drawing has no extent to measure");
}

} // namespace
