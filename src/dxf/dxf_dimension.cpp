// The block of a linear dimension that came without one: the entities
// that show it, made from the DIMENSION's points and its dimension style.
//
// E1 and E2 (13/23, 14/24) are the points measured, D (10/20) a point of
// the dimension line, and the angle field (53) the dimension line's angle
// in degrees. The dimension line runs through D at that angle between the
// feet P1, P2 of E1 and E2; the extension lines run from each Ei (less the
// style's offset, 42) to beyond the dimension line (by the style's
// extension, 44). The text is the DIMENSION's own (group 1), where "<>"
// (or an empty text) stands for the measured value written by the
// dimension style (DxfFormatDimension).
#include "dxf/dxf_drawing.h"
#include "dxf/dxf_paint.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr double kPi = 3.1415926535;

struct Pt {
    double x, y;
};

// Arrowheads in their own frame: tip at the origin, pointing along +x.
struct ArrowRow {
    const char* name;
    int end;
    WORD type;
    Pt pts[4];
};
constexpr ArrowRow kArrows[] = {
    {"ClosedFilled", 1, DXF_SOLID, {{0, 0}, {-1, -0.1667}, {-1, 0.1667}, {-1, 0.1667}}},
    {"ClosedFilled", 2, DXF_SOLID, {{0, 0}, {-1, -0.1667}, {-1, 0.1667}, {-1, 0.1667}}},
    {"Oblique", 1, DXF_LINE, {{-0.5, -0.5}, {0.5, 0.5}, {0, 0}, {0, 0}}},
    {"Oblique", 2, DXF_LINE, {{-0.5, -0.5}, {0.5, 0.5}, {0, 0}, {0, 0}}},
};

DXFCOORD Coord(const Pt& p) {
    return {p.x, p.y, 0.0};
}

void AddLine(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, short colour, Pt a, Pt b) {
    h.wType = DXF_LINE;
    h.nColor = colour;
    DXFLINE line{Coord(a), Coord(b)};
    DxfAddEntity(d, block, &h, &line);
}

void AddText(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, const DXFDIMENSION& dim, const DXFDIMSTYLE& style,
             const std::string& shown, Pt at) {
    h.wType = DXF_TEXT;
    h.nColor = style.nClrText;
    DXFTEXT text;
    std::memset(&text, 0, sizeof text);
    text.ptInsert = text.ptAlign = Coord(at);
    text.dHeight = style.dTextHeight;
    text.dRotation = dim.dTextRotation;
    text.dWidthFactor = 1.0;
    text.wJustify = 4; // middle
    text.dwStyle = style.dwTextStyle;
    std::memcpy(text.szText, shown.data(), std::min(shown.size(), sizeof text.szText - 1));
    DxfAddEntity(d, block, &h, &text);
}

} // namespace

std::string DxfFormatDimension(double value, const DXFDIMSTYLE& style, int dimType, std::string_view text) {
    // The value: scaled, rounded, with the style's decimals and separator.
    double v =
        value * (style.dLinearFactor != 0 && std::isfinite(style.dLinearFactor) ? style.dLinearFactor : 1.0);
    if (style.dRound > 0 && std::isfinite(style.dRound) && std::fabs(v / style.dRound) < 1e15)
        v = std::round(v / style.dRound) * style.dRound;
    const int decimals = style.nDecimals < 0 ? 4 : std::min(style.nDecimals, 8);
    char buffer[64];
    if (!std::isfinite(v) || std::fabs(v) >= 1e18) v = 0;
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    std::string number(buffer);
    if (number == "-0" || number.find_first_not_of("-0.") == std::string::npos)
        number.erase(0, number[0] == '-');
    const std::size_t dot = number.find('.');
    if (dot != std::string::npos) {
        if (style.nZeros & 8) { // no trailing zeros
            number.erase(number.find_last_not_of('0') + 1);
            if (number.back() == '.') number.pop_back();
        }
        const std::size_t lead = number[0] == '-' ? 1 : 0;
        if ((style.nZeros & 4) && number.compare(lead, 2, "0.") == 0)
            number.erase(lead, 1); // no leading zero
        const std::size_t sep = number.find('.');
        if (sep != std::string::npos && style.nDecimalSep > 32 && style.nDecimalSep < 127)
            number[sep] = static_cast<char>(style.nDecimalSep);
    }
    // Radius and diameter signs (not where the text writes one before its
    // "<>"), and the style's prefix and suffix.
    const int kind = dimType & 7;
    const std::string sign = kind == 4 ? "R" : kind == 3 ? "%%c" : "";
    const std::string post(style.szPost, strnlen(style.szPost, sizeof style.szPost));
    const std::size_t slot = post.find("<>");
    auto written = [&](bool withSign) {
        const std::string value = (withSign ? sign : std::string()) + number;
        return slot == std::string::npos ? value + post
                                         : post.substr(0, slot) + value + post.substr(slot + 2);
    };
    if (text.empty()) return written(true);
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "<>") == 0) {
            const std::string_view before = text.substr(0, i);
            const bool signed_ =
                !sign.empty() && before.size() >= sign.size() &&
                std::equal(sign.begin(), sign.end(), before.end() - static_cast<std::ptrdiff_t>(sign.size()),
                           [](char a, char b) {
                               return std::tolower(static_cast<unsigned char>(a)) ==
                                      std::tolower(static_cast<unsigned char>(b));
                           });
            out += written(!signed_);
            i += 2;
        } else {
            out += text[i++];
        }
    }
    return out;
}

BOOL DxfAddArrowhead(DXFDRAWING* pDrawing, DWORD dwBlockId, DXFENTITYHEADER* pHeader, double x, double y,
                     double angle, double size, const char* pszName, int nEnd) {
    if (!pDrawing || !pHeader || !pszName) return TRUE;
    const double c = std::cos(angle), s = std::sin(angle);
    auto place = [&](const Pt& p) {
        return DXFCOORD{(p.x * c - p.y * s) * size + x, (p.x * s + p.y * c) * size + y, 0.0};
    };
    for (const ArrowRow& row : kArrows) {
        if (row.end != nEnd || std::strncmp(row.name, pszName, sizeof DXFDIMSTYLE{}.szBlk1) != 0) continue;
        DXFENTITYHEADER h = *pHeader;
        h.wType = row.type;
        if (row.type == DXF_SOLID) {
            DXFSOLID solid{{place(row.pts[0]), place(row.pts[1]), place(row.pts[2]), place(row.pts[3])}, 0};
            DxfAddEntity(pDrawing, dwBlockId, &h, &solid);
        } else {
            DXFLINE line{place(row.pts[0]), place(row.pts[1])};
            DxfAddEntity(pDrawing, dwBlockId, &h, &line);
        }
    }
    return TRUE;
}

void DxfMakeDimensionBlock(DXFDRAWING* pDrawing, DWORD dwBlockId, const DXFENTITYHEADER* pHeader,
                           const DXFDIMENSION* pDim, const DXFDIMSTYLE* pStyle) {
    if (!pDrawing || !pHeader || !pDim || !pStyle) return;
    const DXFDIMENSION& dim = *pDim;
    const DXFDIMSTYLE& style = *pStyle;
    const double a = dim.dTextRotation * kPi / 180.0;
    const double t = std::tan(a);
    const Pt E1{dim.ptExt1.x, dim.ptExt1.y}, E2{dim.ptExt2.x, dim.ptExt2.y}, D{dim.ptDef.x, dim.ptDef.y};

    // The feet of E1 and E2 on the dimension line, and the extension lines
    // (near end by the measured point, far end beyond the dimension line).
    Pt P1, P2, near1, far1, near2, far2;
    if (t == 0) {
        P1 = {E1.x, D.y};
        P2 = {E2.x, D.y};
        near1 = {E1.x, E1.y + std::copysign(style.dExtLineOffset, D.y - E1.y)};
        far1 = {E1.x, D.y + std::copysign(style.dExtLineExt, D.y - E1.y)};
        near2 = {E2.x, E2.y + std::copysign(style.dExtLineOffset, D.y - E2.y)};
        far2 = {E2.x, D.y + std::copysign(style.dExtLineExt, D.y - E2.y)};
    } else {
        auto foot = [&](const Pt& E) {
            const double x = (E.x / t + (E.y - D.y) + t * D.x) / (1 / t + t);
            return Pt{x, (x - D.x) * t + D.y};
        };
        P1 = foot(E1);
        P2 = foot(E2);
        auto extension = [&](const Pt& E, const Pt& P, Pt& nearEnd, Pt& farEnd) {
            const double phi = std::atan((P.y - E.y) / (P.x - E.x));
            const double sign = E.x < P.x ? 1.0 : -1.0;
            const Pt u{sign * std::cos(phi), sign * std::sin(phi)};
            nearEnd = {E.x + style.dExtLineOffset * u.x, E.y + style.dExtLineOffset * u.y};
            farEnd = {P.x + style.dExtLineExt * u.x, P.y + style.dExtLineExt * u.y};
        };
        extension(E1, P1, near1, far1);
        extension(E2, P2, near2, far2);
    }
    const Pt M{(P1.x + P2.x) / 2, (P1.y + P2.y) / 2};
    // What the dimension says: its text, with the measured value (the file's
    // own, else the length between the feet) for "<>".
    const double measured = dim.dMeasurement != 0 ? dim.dMeasurement : std::hypot(P2.x - P1.x, P2.y - P1.y);
    const std::string shown = DxfFormatDimension(
        measured, style, dim.nDimType, std::string_view(dim.szText, strnlen(dim.szText, sizeof dim.szText)));

    DXFENTITYHEADER h = *pHeader;
    // The measured points, in the dimension's own colour.
    h.wType = DXF_POINT;
    DXFPOINT point{Coord(E1)};
    DxfAddEntity(pDrawing, dwBlockId, &h, &point);
    point.pt = Coord(E2);
    DxfAddEntity(pDrawing, dwBlockId, &h, &point);

    if (style.bTextAbove == 0) {
        // The line is broken round the text.
        const double L = static_cast<double>(shown.size());
        const double g = L * style.dTextHeight * 0.3 + style.dTextGap * 2.0;
        const double len = std::hypot(P2.x - P1.x, P2.y - P1.y);
        const Pt u = len > 0 ? Pt{(P2.x - P1.x) / len, (P2.y - P1.y) / len} : Pt{std::cos(a), std::sin(a)};
        AddLine(pDrawing, dwBlockId, h, style.nClrDimLine, P1, {M.x - g * u.x, M.y - g * u.y});
        AddLine(pDrawing, dwBlockId, h, style.nClrDimLine, {M.x + g * u.x, M.y + g * u.y}, P2);
        AddText(pDrawing, dwBlockId, h, dim, style, shown, M);
    } else if (style.bTextAbove == 1) {
        AddLine(pDrawing, dwBlockId, h, style.nClrDimLine, P1, P2);
        const double lift = style.dTextHeight * 0.5 + style.dTextGap;
        const double up = a + kPi / 2;
        AddText(pDrawing, dwBlockId, h, dim, style, shown,
                {M.x + lift * std::cos(up), M.y + lift * std::sin(up)});
    }

    // Arrowheads pointing away from the other end of the dimension line.
    h.nColor = style.nClrDimLine;
    const double theta = std::atan((P2.y - P1.y) / (P2.x - P1.x));
    double a1 = theta + kPi, a2 = theta;
    if (P2.x < P1.x) {
        a1 = theta;
        a2 = theta + kPi;
    }
    DxfAddArrowhead(pDrawing, dwBlockId, &h, P1.x, P1.y, a1, style.dArrowSize, style.szBlk1, 1);
    DxfAddArrowhead(pDrawing, dwBlockId, &h, P2.x, P2.y, a2, style.dArrowSize, style.szBlk2, 2);

    AddLine(pDrawing, dwBlockId, h, style.nClrExtLine, far1, near1);
    AddLine(pDrawing, dwBlockId, h, style.nClrExtLine, far2, near2);
}
