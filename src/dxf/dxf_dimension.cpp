// The block of a dimension that came without one: the entities that show
// it, made from the DIMENSION's definition points and its dimension style.
//
// Linear: E1 and E2 (13/23, 14/24) are the points measured, D (10/20) a
// point of the dimension line; a rotated dimension's line has the angle 50
// (files without it give it in 53), an aligned one runs parallel to E1-E2.
// The dimension line runs through D at that angle between the
// feet P1, P2 of E1 and E2; the extension lines run from each Ei (less the
// style's offset, 42) to beyond the dimension line (by the style's
// extension, 44). The text is the DIMENSION's own (group 1), where "<>"
// (or an empty text) stands for the measured value written by the
// dimension style (DxfFormatDimension).
//
// Radius: centre D, point C (15) on the curve; diameter: C and D at both
// ends. Angular: the lines E1-E2 and D-C (or, by three points, vertex C
// and the points E1, E2) with the arc through A (16) or D. Ordinate: a
// leader from the feature E1 to E2.
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

void AddText(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, double rotation, const DXFDIMSTYLE& style,
             const std::string& shown, Pt at) {
    h.wType = DXF_TEXT;
    h.nColor = style.nClrText;
    DXFTEXT text;
    std::memset(&text, 0, sizeof text);
    text.ptInsert = text.ptAlign = Coord(at);
    text.dHeight = style.dTextHeight;
    text.dRotation = rotation;
    text.dWidthFactor = 1.0;
    text.wJustify = 4; // middle
    text.dwStyle = style.dwTextStyle;
    std::memcpy(text.szText, shown.data(), std::min(shown.size(), sizeof text.szText - 1));
    DxfAddEntity(d, block, &h, &text);
}

// A line's angle in degrees turned to read left to right (or upwards).
double Readable(double radians) {
    double deg = std::remainder(radians * 180.0 / kPi, 360.0);
    if (deg > 90.0 + 1e-9) deg -= 180.0;
    if (deg <= -90.0 + 1e-9) deg += 180.0;
    return deg;
}

double Dist(Pt a, Pt b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// Text centred beside the segment a-b, lifted off it by half its height and
// the gap.
void AddTextBeside(DXFDRAWING* d, DWORD block, const DXFENTITYHEADER& h, const DXFDIMSTYLE& style,
                   const std::string& shown, Pt a, Pt b) {
    const double angle = std::atan2(b.y - a.y, b.x - a.x);
    const double rotation = Readable(angle) * kPi / 180.0;
    const double lift = style.dTextHeight * 0.5 + style.dTextGap;
    const Pt m{(a.x + b.x) / 2 - lift * std::sin(rotation), (a.y + b.y) / 2 + lift * std::cos(rotation)};
    AddText(d, block, h, rotation * 180.0 / kPi, style, shown, m);
}

void AddPoint(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, Pt p) {
    h.wType = DXF_POINT;
    DXFPOINT point{Coord(p)};
    DxfAddEntity(d, block, &h, &point);
}

std::string Shown(const DXFDIMENSION& dim, const DXFDIMSTYLE& style, double measured) {
    return DxfFormatDimension(dim.dMeasurement != 0 ? dim.dMeasurement : measured, style, dim.nDimType,
                              std::string_view(dim.szText, strnlen(dim.szText, sizeof dim.szText)));
}

// Radius (centre D, C on the curve) and diameter (C to D): the line with
// its arrowheads pointing out, and the text beside it.
void MakeRadial(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, const DXFDIMENSION& dim,
                const DXFDIMSTYLE& style, bool diameter) {
    const Pt D{dim.ptDef.x, dim.ptDef.y}, C{dim.ptChord.x, dim.ptChord.y};
    const double length = Dist(D, C);
    if (!(length > 0) || !std::isfinite(length)) return;
    AddPoint(d, block, h, D);
    AddLine(d, block, h, style.nClrDimLine, D, C);
    h.nColor = style.nClrDimLine;
    const double out = std::atan2(C.y - D.y, C.x - D.x);
    DxfAddArrowhead(d, block, &h, C.x, C.y, out, style.dArrowSize, style.szBlk2, 2);
    if (diameter) DxfAddArrowhead(d, block, &h, D.x, D.y, out + kPi, style.dArrowSize, style.szBlk1, 1);
    AddTextBeside(d, block, h, style, Shown(dim, style, length), D, C);
}

// Where the lines p + s(q - p) and r + t(u - r) cross; false when parallel.
bool Cross(Pt p, Pt q, Pt r, Pt u, Pt& at) {
    const double dx1 = q.x - p.x, dy1 = q.y - p.y, dx2 = u.x - r.x, dy2 = u.y - r.y;
    const double den = dx1 * dy2 - dy1 * dx2;
    if (std::fabs(den) < 1e-12 * (std::fabs(dx1 * dy2) + std::fabs(dy1 * dx2)) || den == 0) return false;
    const double s = ((r.x - p.x) * dy2 - (r.y - p.y) * dx2) / den;
    at = {p.x + s * dx1, p.y + s * dy1};
    return std::isfinite(at.x) && std::isfinite(at.y);
}

// Angular: the arc round vertex V through A, between the rays towards R1
// and R2 (by two lines, also their opposites: the arc spans the sector
// that holds A), with arrowheads at its ends and the text beside its middle.
void MakeAngular(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, const DXFDIMENSION& dim,
                 const DXFDIMSTYLE& style, Pt V, Pt R1, Pt R2, Pt A, bool twoLines) {
    const double radius = Dist(V, A);
    if (!(radius > 0) || !std::isfinite(radius)) return;
    const double a = std::atan2(A.y - V.y, A.x - V.x);
    double rays[4] = {std::atan2(R1.y - V.y, R1.x - V.x), std::atan2(R2.y - V.y, R2.x - V.x)};
    const int n = twoLines ? 4 : 2;
    if (twoLines) {
        rays[2] = rays[0] + kPi;
        rays[3] = rays[1] + kPi;
    }
    // The ray just before A (counter-clockwise) starts the arc, the next
    // one after A ends it.
    auto ccw = [](double from, double to) {
        return std::fmod(std::fmod(to - from, 2 * kPi) + 4 * kPi, 2 * kPi);
    };
    double start = rays[0], end = rays[0], before = 10, after = 10;
    for (int i = 0; i < n; ++i) {
        if (ccw(rays[i], a) < before) before = ccw(rays[i], a), start = rays[i];
        if (ccw(a, rays[i]) < after) after = ccw(a, rays[i]), end = rays[i];
    }
    const double sweep = ccw(start, end);
    h.wType = DXF_ARC;
    h.nColor = style.nClrDimLine;
    DXFARC arc{Coord(V), radius, start * 180.0 / kPi, (start + sweep) * 180.0 / kPi};
    DxfAddEntity(d, block, &h, &arc);
    const Pt S{V.x + radius * std::cos(start), V.y + radius * std::sin(start)};
    const Pt E{V.x + radius * std::cos(end), V.y + radius * std::sin(end)};
    DxfAddArrowhead(d, block, &h, S.x, S.y, start - kPi / 2, style.dArrowSize, style.szBlk1, 1);
    DxfAddArrowhead(d, block, &h, E.x, E.y, end + kPi / 2, style.dArrowSize, style.szBlk2, 2);
    // Extension lines from the measured points out to the arc.
    for (Pt R : {R1, R2}) {
        const double far = Dist(V, R);
        if (far + style.dExtLineOffset >= radius) continue;
        const double r = std::atan2(R.y - V.y, R.x - V.x);
        for (double ray : {start, end}) {
            if (std::fabs(std::remainder(ray - r, 2 * kPi)) > 1e-9) continue;
            const Pt u{std::cos(ray), std::sin(ray)};
            AddLine(d, block, h, style.nClrExtLine,
                    {R.x + style.dExtLineOffset * u.x, R.y + style.dExtLineOffset * u.y},
                    {V.x + (radius + style.dExtLineExt) * u.x, V.y + (radius + style.dExtLineExt) * u.y});
        }
    }
    const double mid = start + sweep / 2;
    const Pt M{V.x + radius * std::cos(mid), V.y + radius * std::sin(mid)};
    const Pt t{-std::sin(mid), std::cos(mid)};
    AddTextBeside(d, block, h, style, Shown(dim, style, sweep * 180.0 / kPi), {M.x - t.x, M.y - t.y},
                  {M.x + t.x, M.y + t.y});
}

// Ordinate: a leader from the feature E1 to its end E2, the text after it.
void MakeOrdinate(DXFDRAWING* d, DWORD block, DXFENTITYHEADER h, const DXFDIMENSION& dim,
                  const DXFDIMSTYLE& style) {
    const Pt D{dim.ptDef.x, dim.ptDef.y}, F{dim.ptExt1.x, dim.ptExt1.y}, L{dim.ptExt2.x, dim.ptExt2.y};
    const double length = Dist(F, L);
    if (!(length > 0) || !std::isfinite(length)) return;
    const Pt u{(L.x - F.x) / length, (L.y - F.y) / length};
    AddLine(d, block, h, style.nClrExtLine,
            {F.x + style.dExtLineOffset * u.x, F.y + style.dExtLineOffset * u.y}, L);
    // Bit 6 of the type: the X datum (the distance along x from D).
    const double measured = (dim.nDimType & 64) ? std::fabs(F.x - D.x) : std::fabs(F.y - D.y);
    const std::string shown = Shown(dim, style, measured);
    const double width = static_cast<double>(shown.size()) * style.dTextHeight * 0.8 + style.dTextGap;
    AddText(d, block, h, Readable(std::atan2(u.y, u.x)), style, shown,
            {L.x + (width / 2 + style.dTextGap) * u.x, L.y + (width / 2 + style.dTextGap) * u.y});
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
    // Angles are in degrees, without the linear suffix.
    const bool angular = kind == 2 || kind == 5;
    if (angular) number += "%%d";
    const std::string post =
        angular ? std::string() : std::string(style.szPost, strnlen(style.szPost, sizeof style.szPost));
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
    const Pt E1{dim.ptExt1.x, dim.ptExt1.y}, E2{dim.ptExt2.x, dim.ptExt2.y}, D{dim.ptDef.x, dim.ptDef.y};
    const Pt C{dim.ptChord.x, dim.ptChord.y}, A{dim.ptArc.x, dim.ptArc.y};
    const int kind = dim.nDimType & 7;
    switch (kind) {
    case 2: {
        Pt V;
        if (Cross(E1, E2, D, C, V)) MakeAngular(pDrawing, dwBlockId, *pHeader, dim, style, V, E2, D, A, true);
        return;
    }
    case 3:
    case 4:
        MakeRadial(pDrawing, dwBlockId, *pHeader, dim, style, kind == 3);
        return;
    case 5:
        MakeAngular(pDrawing, dwBlockId, *pHeader, dim, style, C, E1, E2, D, false);
        return;
    case 6:
        MakeOrdinate(pDrawing, dwBlockId, *pHeader, dim, style);
        return;
    case 7:
        return;
    default:
        break;
    }
    // The dimension line's angle: along E1-E2 when aligned, else 50 (or 53).
    const double a = kind == 1    ? std::atan2(E2.y - E1.y, E2.x - E1.x)
                     : dim.bAngle ? dim.dAngle * kPi / 180.0
                                  : dim.dTextRotation * kPi / 180.0;
    // Text along the line where the angle is the line's own.
    const double textRotation = kind == 1 || dim.bAngle ? Readable(a) : dim.dTextRotation;
    const double t = std::tan(a);

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
        AddText(pDrawing, dwBlockId, h, textRotation, style, shown, M);
    } else if (style.bTextAbove == 1) {
        AddLine(pDrawing, dwBlockId, h, style.nClrDimLine, P1, P2);
        const double lift = style.dTextHeight * 0.5 + style.dTextGap;
        const double up = a + kPi / 2;
        AddText(pDrawing, dwBlockId, h, textRotation, style, shown,
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
