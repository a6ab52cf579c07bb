// TEXT entities: one line of text in "Times New Roman", placed by its
// justification.
//
// Group 72 (low byte of wJustify) is the horizontal justification: 0 left,
// 1 centre, 2 right, 3 aligned, 4 middle, 5 fit; group 73 (high byte) the
// vertical one: 0 baseline, 1 bottom, 2 middle, 3 top. Every case but the
// default (baseline left, aligned, fit) is placed at the second alignment
// point (11/21). The text is 8-bit in the drawing's code page (Windows
// 1252); %%c, %%d and %%p stand for Ø, ° and ±.
#include "dxf/dxf_paint_internal.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

using namespace dxf_paint;

// Text taller than this (device pixels) is not drawn: no picture shows it.
constexpr double kMaxTextPixels = 32768.0;

// Windows 1252 for 0x80..0x9F (0 where the code page has no character).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QString FromCodePage(const char* text, int length) {
    QString out;
    out.reserve(length);
    for (int i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const char16_t c = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
        out.append(QChar(c ? c : char16_t(b)));
    }
    return out;
}

} // namespace

int DxfExpandTextCodes(const char* pszIn, char* pszOut) {
    if (!pszOut) return 0;
    *pszOut = '\0';
    if (!pszIn) return 0;
    const std::size_t len = std::strlen(pszIn);
    std::size_t o = 0;
    for (std::size_t i = 0; i < len;) {
        // A code needs "%%" and one more character; a "%" among the last
        // two characters is plain text.
        if (pszIn[i] == '%' && i + 2 < len && pszIn[i + 1] == '%') {
            const char c = pszIn[i + 2];
            i += 3;
            switch (c) {
            case 'c':
            case 'C':
                pszOut[o++] = static_cast<char>(216);
                break;
            case 'd':
            case 'D':
                pszOut[o++] = static_cast<char>(176);
                break;
            case 'p':
            case 'P':
                pszOut[o++] = static_cast<char>(177);
                break;
            case 'o':
            case 'O':
            case 'u':
            case 'U':
                break; // overline and underline switches
            default:
                pszOut[o++] = c;
                break;
            }
            continue;
        }
        pszOut[o++] = pszIn[i++];
    }
    pszOut[o] = '\0';
    return static_cast<int>(o);
}

void DxfDrawText(DXFDRAWING* pDrawing, CDC* pDC, const DXFENTITYHEADER* pHeader, const DXFTEXT* pText, double ox,
                 double oy, double sx, double sy, double rot) {
    if (!pDrawing || !pDC || !pHeader || !pText) return;
    const DXFDRAWING& d = *pDrawing;
    const View v(d);
    const Transform t = Transform::Make(ox, oy, sx, sy, rot);

    // The colour, as for every entity: by layer and by block take the
    // layer's, a layer that is off hides the text.
    const DXFLAYER* layer = nullptr;
    for (DWORD i = 0; i < d.nLayers && pHeader->dwLayer; ++i)
        if (d.layers[i].dwId == pHeader->dwLayer) layer = &d.layers[i];
    if (layer && layer->nColor < 0) return;
    int number = pHeader->nColor;
    if (layer && (number == 0 || number == 256)) number = layer->nColor;
    const COLORREF colour = DxfPaletteColour(number >= 256 ? 0 : number);

    const DXFSTYLE* style = nullptr;
    for (DWORD i = 0; i < d.nStyles && pText->dwStyle; ++i)
        if (d.styles[i].dwId == pText->dwStyle) style = &d.styles[i];
    // A text without a height of its own takes its style's last height.
    double h = std::trunc(pText->dHeight * sy * v.unit * v.zoom);
    if (style && pText->dHeight <= 0) h = std::trunc(style->dLastHeight * sy * v.unit * v.zoom);
    if (!(std::fabs(h) > 1) || !(std::fabs(h) <= kMaxTextPixels)) return;
    const double w = std::trunc(std::fabs(h) * pText->dWidthFactor * 0.5);
    if (!(std::fabs(w) <= kMaxTextPixels)) return;

    // Where the text is measured from: the insertion point for the default
    // justification, the alignment point for the others.
    const int vert = pText->wJustify >> 8, horz = pText->wJustify & 0xFF;
    const bool placed = (vert == 0 && (horz == 1 || horz == 2 || horz == 4)) || (vert >= 1 && vert <= 3 && horz <= 2);
    const DXFCOORD& ref = placed ? pText->ptAlign : pText->ptInsert;
    const DevPt p = v.Map(ref.x, ref.y, t);
    char expanded[sizeof pText->szText + 1];
    const int length = DxfExpandTextCodes(std::string(pText->szText, strnlen(pText->szText, sizeof pText->szText)).c_str(), expanded);
    // Skip text that cannot reach the picture (a generous circle round its
    // reference point).
    const double reach = std::fabs(h) * 2 + std::fmax(std::fabs(w), std::fabs(h)) * (length + 1);
    if (!v.Visible(p.x - reach, p.y - reach, p.x + reach, p.y + reach)) return;

    const double angle = pText->dRotation + rot;
    LOGFONT lf;
    lf.lfHeight = static_cast<LONG>(-h);
    lf.lfWidth = static_cast<LONG>(w);
    const double tenths = std::trunc(angle * 10.0);
    lf.lfEscapement = lf.lfOrientation = std::fabs(tenths) < 1e9 ? static_cast<LONG>(tenths) : 0;
    lf.lfWeight = 0;
    lf.lfCharSet = 0;        // ANSI
    lf.lfOutPrecision = 4;   // TrueType
    lf.lfClipPrecision = 0;
    lf.lfQuality = 3;        // not anti-aliased
    lf.lfPitchAndFamily = 0;
    std::strncpy(lf.lfFaceName, "Times New Roman", sizeof lf.lfFaceName - 1);
    CFont font;
    font.CreateFontIndirect(lf);
    CFont* oldFont = pDC->SelectObject(&font);
    const COLORREF oldColour = pDC->SetTextColor(colour);
    const int oldMode = pDC->SetBkMode(TRANSPARENT);

    const CString text(FromCodePage(expanded, length));
    const CSize extent = pDC->GetTextExtent(text);
    const double cx = extent.cx, cy = extent.cy;
    const double theta = angle * kDegToRad, s = std::sin(theta), c = std::cos(theta);
    const double halfX = extent.cx / 2, halfY = extent.cy / 2;
    static constexpr UINT kHorizontal[3] = {TA_LEFT, TA_CENTER, TA_RIGHT};
    UINT align = TA_BOTTOM | TA_LEFT;
    double X = p.x + 0.2 * cy * s, Y = p.y + 0.2 * cy * c; // the default
    if (vert == 0 && horz == 1) {
        align = TA_BOTTOM | TA_CENTER;
    } else if (vert == 0 && horz == 2) {
        align = TA_TOP | TA_LEFT;
        X = p.x - cx * c - 0.8 * cy * s;
        Y = p.y + cx * s - 0.8 * cy * c;
    } else if (vert == 0 && horz == 4) {
        align = TA_TOP | TA_LEFT;
        X = p.x - halfX * c - halfY * s;
        Y = p.y + halfX * s - halfY * c;
    } else if (vert == 1 && horz <= 2) {
        align = TA_BOTTOM | kHorizontal[horz];
        X = p.x;
        Y = p.y;
    } else if (vert == 2 && horz <= 2) {
        align = TA_TOP | kHorizontal[horz];
        X = p.x - halfY * s;
        Y = p.y - halfY * c;
    } else if (vert == 3 && horz <= 2) {
        align = TA_TOP | kHorizontal[horz];
        X = p.x - 0.17 * cy * s;
        Y = p.y - 0.17 * cy * c;
    }
    const DevPt at{std::trunc(X), std::trunc(Y)};
    if (Near(at)) {
        const UINT oldAlign = pDC->SetTextAlign(align);
        pDC->TextOut(I(at.x), I(at.y), text);
        pDC->SetTextAlign(oldAlign);
    }
    pDC->SelectObject(oldFont);
    font.DeleteObject();
    pDC->SetTextColor(oldColour);
    pDC->SetBkMode(oldMode);
}
