// Helpers for the DXF engine's tests: DXF text from a compact spelling, and
// drawings loaded from it.
#pragma once

#include "dxf/dxf_load.h"
#include "dxf/dxf_paint.h"

#include <QImage>

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dxftest {

// "0|SECTION|2|ENTITIES" → the lines joined, each ended by eol.
std::string Lines(std::string_view pairs, std::string_view eol = "\n");
// An ENTITIES section holding body (in Lines spelling), then EOF.
std::string Entities(std::string_view body, std::string_view eol = "\n");
// tables (whole sections, each ended by "|"), a BLOCKS section holding
// blocks unless it is empty, and an ENTITIES section, then EOF.
std::string Sections(std::string_view tables, std::string_view blocks, std::string_view entities);

// A point's x and y, and a box, for comparing in one expectation.
using XY = std::pair<double, double>;
inline XY XYOf(const DXFCOORD& p) {
    return {p.x, p.y};
}
inline std::array<double, 4> BoxOf(const DXFBOX& b) {
    return {b.minX, b.minY, b.maxX, b.maxY};
}

struct Entity {
    DXFENTITYHEADER h;
    DXFENTITYDATA d;
};

// A drawing loaded from text (through memory, or through a file when
// asked), destroyed at the end of the scope.
class Drawing {
public:
    explicit Drawing(std::string_view text, bool throughFile = false);
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    BOOL loaded = FALSE;
    HDXFDRAWING h = nullptr;

    // The locked record while the object lives.
    DXFDRAWING* operator->() const { return m_d; }
    DXFDRAWING* get() const { return m_d; }
    // The records of ENTITIES (block 0) or of the block with that ID, in order.
    std::vector<Entity> List(DWORD blockId = 0) const;
    // The types of List(blockId), in order.
    std::vector<WORD> Types(DWORD blockId = 0) const;
    // The one entity of ENTITIES; fails the test unless there is exactly one.
    Entity Only() const;
    const DXFBLOCK* Block(const char* name) const;
    const DXFLAYER* Layer(const char* name) const;

private:
    DXFDRAWING* m_d = nullptr;
};

// A drawing painted (DxfPaint) into a white w × h bitmap, at pixelsPerUnit
// device pixels per world unit with the world point (xorg, yorg) at the
// bottom-left corner: world (x, y) is pixel (trunc((x − xorg)·ppu),
// h − trunc((y − yorg)·ppu)).
struct Picture {
    BOOL painted = FALSE;
    QImage image;
    std::vector<_tagREALPT2> outline;

    // The pixel's colour, as a COLORREF.
    COLORREF At(int x, int y) const;
    bool Background(int x, int y) const { return At(x, y) == kBackground; }
    // Drawn by an entity: neither the background nor its white edge.
    bool Ink(int x, int y) const { return !Background(x, y) && At(x, y) != RGB(255, 255, 255); }
    // Pixels that are neither the background nor white, optionally only
    // those where(x, y) holds.
    int Drawn() const;
    template <class Where> int DrawnWhere(Where&& where) const {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (Ink(x, y) && where(x, y)) ++n;
        return n;
    }
    // The outline's figures (the runs between break markers).
    std::vector<std::vector<_tagREALPT2>> Figures() const;

    static constexpr COLORREF kBackground = RGB(0xD0, 0xD0, 0xD0);
};
Picture PaintAt(const Drawing& d, int w, int h, double pixelsPerUnit, double xorg = 0, double yorg = 0,
                bool withOutline = true);

// Fails the current test when a GlobalAlloc block or a DXF heap array made
// since construction is still alive at the end of the scope (heap arrays are
// left to the leak checker of the sanitizer build).
class HandleCheck {
public:
    HandleCheck();
    ~HandleCheck();

private:
    std::size_t m_live;
};

} // namespace dxftest
