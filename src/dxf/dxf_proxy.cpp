// The graphics of a proxy entity (an object of an application the drawing's
// reader does not have, with a picture of itself the writing program left
// for others): made into an anonymous block of lines, polylines, circles and
// arcs.
//
// The bytes are little-endian: the total size and the number of commands
// (two 32-bit integers), then each command as its size in bytes (its own
// eight header bytes included), its type and its data. Points are three
// doubles. The types drawn here:
//   2 circle: centre, radius, normal       3 circle through three points
//   4 arc: centre, radius, normal, the start direction, the sweep angle
//     (radians, counter-clockwise when positive)
//   5 arc through three points             6 polyline, 7 polygon: count,
//                                            points (32 polyline with
//                                            normals: the same start)
//   10 text: position, normal, direction, height, width factor, oblique,
//     the text (8-bit, NUL-ended, padded to 4 bytes); 36 the same with a
//     UTF-16 text
//   11 text: position, normal, direction, the text, two integers, height,
//     width factor, oblique; 38 the same with a UTF-16 text
//   14 colour: an ACI number for what follows (256 by layer)
// Others (shells, fills, attributes, matrices) are passed over.
#include "dxf/dxf_drawing.h"
#include "dxf/dxf_heap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Bytes {
    const unsigned char* p;
    std::size_t n;
    bool Has(std::size_t at, std::size_t count) const { return at <= n && count <= n - at; }
    std::uint32_t U32(std::size_t at) const {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | p[at + static_cast<std::size_t>(i)];
        return v;
    }
    double F64(std::size_t at) const {
        std::uint64_t bits = 0;
        for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[at + static_cast<std::size_t>(i)];
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return std::isfinite(d) ? d : 0.0;
    }
    DXFCOORD Point(std::size_t at) const { return {F64(at), F64(at + 8), F64(at + 16)}; }
};

// The circle through three points; false when they are on one line.
bool Circumcircle(const DXFCOORD& a, const DXFCOORD& b, const DXFCOORD& c, DXFCOORD& centre, double& radius) {
    const double d = 2 * (a.x * (b.y - c.y) + b.x * (c.y - a.y) + c.x * (a.y - b.y));
    if (std::fabs(d) < 1e-300) return false;
    const double a2 = a.x * a.x + a.y * a.y, b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
    centre = {(a2 * (b.y - c.y) + b2 * (c.y - a.y) + c2 * (a.y - b.y)) / d,
              (a2 * (c.x - b.x) + b2 * (a.x - c.x) + c2 * (b.x - a.x)) / d, a.z};
    radius = std::hypot(a.x - centre.x, a.y - centre.y);
    return std::isfinite(radius) && radius > 0;
}

double Degrees(double radians) {
    return radians * 180.0 / kPi;
}

class Maker {
public:
    Maker(DXFDRAWING* d, DWORD block, const DXFENTITYHEADER& h) : m_d(d), m_block(block), m_h(h) {}

    void Colour(std::uint32_t aci) { m_h.nColor = aci <= 256 ? static_cast<short>(aci) : short{256}; }

    void Polyline(const Bytes& b, std::size_t at, std::size_t end, bool closed) {
        if (!b.Has(at, 4)) return;
        const std::uint32_t n = b.U32(at);
        at += 4;
        if (n < 2 || (end - at) / 24 < n) return;
        if (n == 2 && !closed) {
            DXFLINE line{b.Point(at), b.Point(at + 24)};
            Add(DXF_LINE, &line);
            return;
        }
        DXFPOLYLINE pl;
        std::memset(&pl, 0, sizeof pl);
        pl.pVertices = DxfHeapNew<DXFVERTEX>(n);
        if (!pl.pVertices) return;
        for (std::uint32_t i = 0; i < n; ++i) {
            const DXFCOORD q = b.Point(at + 24 * std::size_t{i});
            pl.pVertices[i].x = q.x;
            pl.pVertices[i].y = q.y;
            pl.pVertices[i].z = q.z;
        }
        pl.nVertices = static_cast<int>(n);
        pl.wFlags = closed ? 1 : 0;
        if (!Add(DXF_POLYLINE, &pl)) DxfFreeEntityData(DXF_POLYLINE, &pl);
    }

    void Circle(const DXFCOORD& centre, double radius) {
        if (!(radius > 0) || !std::isfinite(radius)) return;
        DXFCIRCLE circle{centre, radius};
        Add(DXF_CIRCLE, &circle);
    }

    // The arc from angle start (radians) sweeping by sweep.
    void Arc(const DXFCOORD& centre, double radius, double start, double sweep) {
        if (!(radius > 0) || !std::isfinite(radius) || !std::isfinite(start) || !std::isfinite(sweep)) return;
        if (std::fabs(sweep) >= 2 * kPi - 1e-12) return Circle(centre, radius);
        if (sweep < 0) {
            start += sweep;
            sweep = -sweep;
        }
        DXFARC arc{centre, radius, Degrees(start), Degrees(start + sweep)};
        Add(DXF_ARC, &arc);
    }

    // The arc from a through b to c.
    void Arc3(const DXFCOORD& a, const DXFCOORD& b, const DXFCOORD& c) {
        DXFCOORD centre;
        double radius;
        if (!Circumcircle(a, b, c, centre, radius)) return;
        const double sa = std::atan2(a.y - centre.y, a.x - centre.x);
        auto ccw = [&](const DXFCOORD& p) {
            return std::fmod(std::atan2(p.y - centre.y, p.x - centre.x) - sa + 4 * kPi, 2 * kPi);
        };
        const double toB = ccw(b), toC = ccw(c);
        // Counter-clockwise from a when b comes before c that way round.
        Arc(centre, radius, sa, toB <= toC ? toC : toC - 2 * kPi);
    }

    void Text(const DXFCOORD& at, const DXFCOORD& direction, double height, double width,
              const std::string& text) {
        if (!(height > 0) || text.empty()) return;
        DXFTEXT t;
        std::memset(&t, 0, sizeof t);
        t.ptInsert = t.ptAlign = at;
        t.dHeight = height;
        t.dRotation = Degrees(std::atan2(direction.y, direction.x));
        t.dWidthFactor = width > 0 ? width : 1.0;
        std::memcpy(t.szText, text.data(), std::min(text.size(), sizeof t.szText - 1));
        Add(DXF_TEXT, &t);
    }

    bool any = false;

private:
    bool Add(WORD type, const void* data) {
        DXFENTITYHEADER h = m_h;
        h.wType = type;
        const bool added = DxfAddEntity(m_d, m_block, &h, data) != 0;
        any = any || added;
        return added;
    }

    DXFDRAWING* m_d;
    DWORD m_block;
    DXFENTITYHEADER m_h;
};

// The NUL-ended text at `at` (UTF-16 when wide) and the offset past its
// padding to 4 bytes; wide characters beyond ASCII as \U+XXXX, which the
// text decoder reads in any code page.
std::size_t ReadString(const Bytes& b, std::size_t at, std::size_t end, bool wide, std::string& out) {
    const std::size_t unit = wide ? 2 : 1;
    std::size_t i = at;
    for (; i + unit <= end; i += unit) {
        const unsigned c = wide ? b.p[i] | (b.p[i + 1] << 8) : b.p[i];
        if (c == 0) break;
        if (c < 0x80 || !wide) {
            out.push_back(static_cast<char>(c));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\U+%04X", c);
            out += escape;
        }
    }
    i += unit; // the NUL
    return at + (i - at + 3) / 4 * 4;
}

} // namespace

DWORD DxfMakeProxyBlock(DXFDRAWING* pDrawing, const DXFENTITYHEADER* pHeader, const unsigned char* pGraphics,
                        int cbGraphics) {
    if (!pDrawing || !pHeader || !pGraphics || cbGraphics < 8) return 0;
    const Bytes b{pGraphics, static_cast<std::size_t>(cbGraphics)};
    const std::uint32_t count = b.U32(4);

    DXFBLOCK block;
    std::memset(&block, 0, sizeof block);
    block.bFlags = 1;
    block.dwLayer = pHeader->dwLayer;
    DWORD id = 0;
    // A name no block of the file has taken.
    for (unsigned long n = pDrawing->nBlocks; n < pDrawing->nBlocks + 8ul && id == 0; ++n) {
        std::snprintf(block.szName, sizeof block.szName, "*PROXY%lu", n);
        id = DxfAddBlock(pDrawing, &block);
    }
    if (id == 0) return 0;

    Maker make(pDrawing, id, *pHeader);
    std::size_t at = 8;
    for (std::uint32_t i = 0; i < count && b.Has(at, 8); ++i) {
        const std::uint32_t size = b.U32(at), type = b.U32(at + 4);
        if (size < 8 || !b.Has(at, size)) break;
        const std::size_t data = at + 8, end = at + size;
        auto fits = [&](std::size_t bytes) { return end - data >= bytes; };
        switch (type) {
        case 2:
            if (fits(32)) make.Circle(b.Point(data), b.F64(data + 24));
            break;
        case 3:
            if (fits(72)) {
                DXFCOORD centre;
                double radius;
                if (Circumcircle(b.Point(data), b.Point(data + 24), b.Point(data + 48), centre, radius))
                    make.Circle(centre, radius);
            }
            break;
        case 4:
            if (fits(88)) {
                const DXFCOORD start = b.Point(data + 56);
                make.Arc(b.Point(data), b.F64(data + 24), std::atan2(start.y, start.x), b.F64(data + 80));
            }
            break;
        case 5:
            if (fits(72)) make.Arc3(b.Point(data), b.Point(data + 24), b.Point(data + 48));
            break;
        case 6:
        case 32:
            make.Polyline(b, data, end, false);
            break;
        case 7:
            make.Polyline(b, data, end, true);
            break;
        case 10:
        case 36:
            if (fits(96)) {
                std::string text;
                ReadString(b, data + 96, end, type == 36, text);
                make.Text(b.Point(data), b.Point(data + 48), b.F64(data + 72), b.F64(data + 80), text);
            }
            break;
        case 11:
        case 38:
            if (fits(72)) {
                std::string text;
                const std::size_t after = ReadString(b, data + 72, end, type == 38, text);
                if (b.Has(after, 32) && after + 32 <= end)
                    make.Text(b.Point(data), b.Point(data + 48), b.F64(after + 8), b.F64(after + 16), text);
            }
            break;
        case 14:
            if (fits(4)) make.Colour(b.U32(data));
            break;
        default:
            break;
        }
        at = end;
    }
    return make.any ? id : 0;
}
