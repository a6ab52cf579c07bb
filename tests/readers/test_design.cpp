// One design exported to every format the way design programs write it
// (tests/data/design, made by make_design.py): each file reads as the same
// two strokes and, where its format's unit is known, at the same size.
#include "readers/list_unit.h"
#include "readers/reader_test.h"

#include <algorithm>
#include <filesystem>

namespace test {

TEST(OneDesign, EveryFormatReadsTheSameStrokesAtTheSameSize) {
    namespace fs = std::filesystem;
    constexpr double kWidthMm = 38.1, kHeightMm = 19.05; // 1.5 x 0.75 in
    int files = 0, measured = 0;
    for (const auto& entry : fs::directory_iterator(DataPath("design"))) {
        if (entry.path().extension() == ".py") continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        CLoomveilDoc doc;
        const Rendered r = RenderPath(doc, entry.path().string());
        ASSERT_EQ(r.result, 1) << doc.m_strError;
        std::size_t strokes = 0;
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        bool open = false;
        for (const _tagREALPT& p : r.points) {
            if (p.x == FLT_MAX) {
                open = false;
                continue;
            }
            strokes += !open;
            open = true;
            minX = std::min<double>(minX, p.x), maxX = std::max<double>(maxX, p.x);
            minY = std::min<double>(minY, p.y), maxY = std::max<double>(maxY, p.y);
        }
        EXPECT_EQ(strokes, 2u);
        ++files;
        const units::ListUnit unit = units::UnitOfPointList(doc, 200, 200);
        if (entry.path().extension() == ".iqp") {
            EXPECT_FALSE(unit.Known()); // one exporter writes centimetres, another reader takes inches
            continue;
        }
        ASSERT_TRUE(unit.Known()) << unit.why;
        EXPECT_NEAR((maxX - minX) * unit.mmPerUnit, kWidthMm, kWidthMm * 0.01);
        EXPECT_NEAR((maxY - minY) * unit.mmPerUnit, kHeightMm, kHeightMm * 0.01);
        ++measured;
    }
    EXPECT_EQ(files, 14);
    EXPECT_EQ(measured, 13);
}

} // namespace test
