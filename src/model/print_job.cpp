#include "model/print_job.h"

#include "model/stroke_stats.h"
#include "model/units.h"
#include "readers/list_unit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

PrintLayout ComputePrintLayout(float dpiX, float dpiY, int hRes, int vRes, CSize header) {
    PrintLayout l;
    const int marginX = TruncToInt(dpiX);
    const int marginY = TruncToInt(dpiY);
    l.pictureOrigin = CPoint(marginX, marginY + header.cy);
    // Single precision, as the page has always been measured.
    const float w = static_cast<float>(hRes) - 2.0f * dpiX;
    const float h = static_cast<float>(vRes) - 2.0f * dpiY - static_cast<float>(header.cy);
    // Negative sizes would draw the pattern mirrored across the margins.
    l.pictureWidth = std::max(0, TruncToInt(w));
    l.pictureHeight = std::max(0, TruncToInt(h));
    l.headerPos = CPoint(hRes / 2 - header.cx / 2, marginY - header.cy / 4);
    return l;
}

CString PrintJobName(const CString& fileName) {
    const int dot = fileName.ReverseFind('.');
    return dot >= 0 ? fileName.Left(dot) : fileName;
}

PrintOutcome PrintCurrentFile(CLoomveilDoc& doc, CDC* pDC, CPoint& printOrigin) {
    PrintOutcome out;
    // A job that could not be started is left as it is; deleting the DC
    // abandons it.
    if (pDC->StartDoc(PrintJobName(doc.m_strFileName)) <= 0) return out;
    if (pDC->StartPage() <= 0) return out;
    out.started = true;

    const float dpiX = static_cast<float>(pDC->GetDeviceCaps(LOGPIXELSX));
    const float dpiY = static_cast<float>(pDC->GetDeviceCaps(LOGPIXELSY));

    CFont headerFont;
    headerFont.CreatePointFont(160, "Arial", pDC);
    CFont* oldFont = pDC->SelectObject(&headerFont);
    const CSize header = pDC->GetTextExtent(doc.m_strFileName);
    const int hRes = pDC->GetDeviceCaps(HORZRES);
    const int vRes = pDC->GetDeviceCaps(VERTRES);
    pDC->SelectObject(oldFont);

    out.layout = ComputePrintLayout(dpiX, dpiY, hRes, vRes, header);
    printOrigin = pDC->SetViewportOrg(out.layout.pictureOrigin);
    out.renderResult = doc.RenderBitmap(pDC, out.layout.pictureWidth, out.layout.pictureHeight);
    pDC->SetViewportOrg(printOrigin);
    printOrigin = CPoint(0, 0);

    oldFont = pDC->SelectObject(&headerFont);
    pDC->TextOut(out.layout.headerPos.x, out.layout.headerPos.y, doc.m_strFileName);
    pDC->SelectObject(oldFont);

    if (pDC->EndPage() > 0) out.finished = pDC->EndDoc() > 0;
    return out;
}

// --- true size -------------------------------------------------------------

namespace {

constexpr double kMmPerInch = 25.4;
// More sheets than this is not a template anyone tapes together: a
// drawing in metres, most likely.
constexpr int kMaxTrueSizeSheets = 400;
// The fine outline a drawing is read into for printing, pixels on its long side.
constexpr int kTrueSizeOutline = 16384;

int TileCount(double pattern, double content, double overlap) {
    if (pattern <= content) return 1;
    return static_cast<int>(std::ceil((pattern - overlap) / (content - overlap) - 1e-9));
}

// Draws the pattern in pattern millimetres from its top-left corner: a
// point (x, y) goes to origin + ((x − minX)·mmPerUnit − offset)·pxPerMm.
// Lines wholly beyond one edge of clip are skipped, not drawn.
struct PatternOnPaper {
    const CPointList& list;
    StrokeStats stats;
    double mmPerUnit;

    void Draw(CDC* pDC, const CRect& clip, double offsetXmm, double offsetYmm, double pxPerMmX,
              double pxPerMmY, int penWidth) const {
        CRgn region;
        region.CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
        pDC->SelectClipRgn(&region);
        CPen pen(PS_SOLID, penWidth, RGB(0, 0, 0));
        CPen* old = pDC->SelectObject(&pen);
        bool down = false;
        long long px = 0, py = 0;
        for (const _tagREALPT& p : list) {
            if (IsBreak(p)) {
                down = false;
                continue;
            }
            const double xmm = (static_cast<double>(p.x) - stats.minX) * mmPerUnit - offsetXmm;
            const double ymm = (static_cast<double>(p.y) - stats.minY) * mmPerUnit - offsetYmm;
            if (!std::isfinite(xmm) || !std::isfinite(ymm)) {
                down = false;
                continue;
            }
            const long long x = clip.left + std::llround(xmm * pxPerMmX);
            const long long y = clip.top + std::llround(ymm * pxPerMmY);
            const bool beyond = (x < clip.left && px < clip.left) || (x >= clip.right && px >= clip.right) ||
                                (y < clip.top && py < clip.top) || (y >= clip.bottom && py >= clip.bottom);
            if (down && !beyond)
                pDC->LineTo(static_cast<int>(x), static_cast<int>(y));
            else
                pDC->MoveTo(static_cast<int>(x), static_cast<int>(y));
            px = x;
            py = y;
            down = true;
        }
        pDC->SelectObject(old);
        pDC->SelectClipRgn(nullptr);
    }
};

void DashedLine(CDC* pDC, int x0, int y0, int x1, int y1, int dash) {
    const double len = std::hypot(static_cast<double>(x1 - x0), static_cast<double>(y1 - y0));
    if (len <= 0 || dash <= 0) return;
    for (double s = 0; s < len; s += 2.0 * dash) {
        const double e = std::min(len, s + dash);
        pDC->MoveTo(x0 + static_cast<int>(std::lround((x1 - x0) * s / len)),
                    y0 + static_cast<int>(std::lround((y1 - y0) * s / len)));
        pDC->LineTo(x0 + static_cast<int>(std::lround((x1 - x0) * e / len)),
                    y0 + static_cast<int>(std::lround((y1 - y0) * e / len)));
    }
}

void Cross(CDC* pDC, int x, int y, int arm) {
    pDC->MoveTo(x - arm, y);
    pDC->LineTo(x + arm + 1, y);
    pDC->MoveTo(x, y - arm);
    pDC->LineTo(x, y + arm + 1);
}

CString Printf(const char* format, auto... args) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, args...);
    return CString(buf);
}

// A square side pixels wide from outer edge to outer edge, its outline
// (thick pixels) inside it, its label centred below.
void CheckSquare(CDC* pDC, int left, int top, int side, int thick, const CString& label) {
    pDC->FillSolidRect(left, top, side, thick, RGB(0, 0, 0));
    pDC->FillSolidRect(left, top + side - thick, side, thick, RGB(0, 0, 0));
    pDC->FillSolidRect(left, top, thick, side, RGB(0, 0, 0));
    pDC->FillSolidRect(left + side - thick, top, thick, side, RGB(0, 0, 0));
    const CSize ext = pDC->GetTextExtent(label);
    pDC->TextOut(left + side / 2 - ext.cx / 2, top + side + ext.cy / 3, label);
}

struct TruePage {
    CDC* pDC;
    const CLoomveilDoc& doc;
    const PatternOnPaper& pattern;
    const TilePlan& plan;
    const SheetLayout& layout;
    const TileOptions& options;
    double pxPerMmX, pxPerMmY;
    int dpiX, dpiY;
    int lineHeight;

    CString SheetName(int row, int column) const { return Printf("R%d C%d", row + 1, column + 1); }

    void Cover(double patternWmm, double patternHmm) const {
        const CRect& area = layout.content;
        int y = layout.band.top;
        pDC->TextOut(area.left, y, doc.m_strFileName.IsEmpty() ? CString("Pattern") : doc.m_strFileName);
        y += lineHeight * 2;
        const CString lines[] = {
            Printf("True size 1:1: %.2f x %.2f in (%.1f x %.1f mm)", patternWmm / kMmPerInch,
                   patternHmm / kMmPerInch, patternWmm, patternHmm),
            Printf("%d sheets after this one: %d row%s of %d column%s, each overlapping its neighbours by "
                   "%.2f in "
                   "(%.1f mm).",
                   plan.Sheets(), plan.rows, plan.rows == 1 ? "" : "s", plan.columns,
                   plan.columns == 1 ? "" : "s", options.overlapMm / kMmPerInch, options.overlapMm),
            CString(
                "Print at 100 % (no fitting to the page), then measure the squares: they must be exactly"),
            CString(
                "1 inch and 2 cm wide. Lay the sheets out as the map shows, lining up the crosses in the"),
            CString("overlap bands, and tape them together."),
        };
        for (const CString& line : lines) {
            pDC->TextOut(area.left, y, line);
            y += lineHeight;
        }
        y += lineHeight;
        const int inch = dpiX;
        const int twoCm = static_cast<int>(std::lround(20.0 * pxPerMmX));
        const int thick = std::max(1, static_cast<int>(std::lround(0.25 * pxPerMmX)));
        CheckSquare(pDC, area.left, y, inch, thick, "1 inch");
        CheckSquare(pDC, area.left + inch + dpiX / 2, y, twoCm, thick, "2 cm");
        y += inch + lineHeight * 3;

        // The map: every sheet's share of the pattern, with its name.
        const CRect map(area.left, y, area.right, area.bottom);
        const double totalW = plan.columns * plan.stepXmm + options.overlapMm;
        const double totalH = plan.rows * plan.stepYmm + options.overlapMm;
        if (map.Height() <= 0 || totalW <= 0 || totalH <= 0) return;
        const double scale = std::min(map.Width() / totalW, map.Height() / totalH); // px per mm
        const CRect inner(map.left, map.top, map.left + static_cast<int>(totalW * scale),
                          map.top + static_cast<int>(totalH * scale));
        pattern.Draw(pDC, inner, plan.originXmm, plan.originYmm, scale, scale, 1);
        CPen grey(PS_SOLID, 1, RGB(128, 128, 128));
        CPen* old = pDC->SelectObject(&grey);
        for (int r = 0; r < plan.rows; ++r) {
            for (int c = 0; c < plan.columns; ++c) {
                const int l = inner.left + static_cast<int>(c * plan.stepXmm * scale);
                const int t = inner.top + static_cast<int>(r * plan.stepYmm * scale);
                const int w = static_cast<int>(plan.contentWmm * scale),
                          h = static_cast<int>(plan.contentHmm * scale);
                const POINT box[] = {{l, t}, {l + w, t}, {l + w, t + h}, {l, t + h}, {l, t}};
                pDC->Polyline(box, 5);
                const CString name = SheetName(r, c);
                const CSize ext = pDC->GetTextExtent(name);
                pDC->TextOut(l + w / 2 - ext.cx / 2, t + h / 2 - ext.cy / 2, name);
            }
        }
        pDC->SelectObject(old);
    }

    void Tile(int row, int column) const {
        const CRect& area = layout.content;
        const double offX = plan.originXmm + column * plan.stepXmm;
        const double offY = plan.originYmm + row * plan.stepYmm;
        const int penWidth = std::max(1, static_cast<int>(std::lround(0.3 * pxPerMmX)));
        pattern.Draw(pDC, area, offX, offY, pxPerMmX, pxPerMmY, penWidth);

        CString label =
            Printf("%s: row %d of %d, column %d of %d, true size", SheetName(row, column).Utf8().c_str(),
                   row + 1, plan.rows, column + 1, plan.columns);
        if (!doc.m_strFileName.IsEmpty()) label = doc.m_strFileName + CString(" - ") + label;
        pDC->TextOut(layout.band.left, layout.band.top, label);

        // The overlap bands: dashed lines where the neighbour's share
        // begins or ends, crosses at the same pattern places on both sheets.
        const int ox = static_cast<int>(std::lround(options.overlapMm * pxPerMmX));
        const int oy = static_cast<int>(std::lround(options.overlapMm * pxPerMmY));
        const int dash = std::max(1, dpiX / 10), arm = std::max(2, dpiX / 8);
        CPen thin(PS_SOLID, std::max(1, dpiX / 300), RGB(0, 0, 0));
        CPen* old = pDC->SelectObject(&thin);
        const int qy[] = {area.top + area.Height() / 4, area.top + area.Height() * 3 / 4};
        const int qx[] = {area.left + area.Width() / 4, area.left + area.Width() * 3 / 4};
        if (column + 1 < plan.columns) {
            DashedLine(pDC, area.right - ox, area.top, area.right - ox, area.bottom, dash);
            for (int y : qy) Cross(pDC, area.right - ox / 2, y, arm);
        }
        if (column > 0) {
            DashedLine(pDC, area.left + ox, area.top, area.left + ox, area.bottom, dash);
            for (int y : qy) Cross(pDC, area.left + ox / 2, y, arm);
        }
        if (row + 1 < plan.rows) {
            DashedLine(pDC, area.left, area.bottom - oy, area.right, area.bottom - oy, dash);
            for (int x : qx) Cross(pDC, x, area.bottom - oy / 2, arm);
        }
        if (row > 0) {
            DashedLine(pDC, area.left, area.top + oy, area.right, area.top + oy, dash);
            for (int x : qx) Cross(pDC, x, area.top + oy / 2, arm);
        }
        pDC->SelectObject(old);
        // The sheet's edge: where its share of the pattern ends.
        CPen grey(PS_SOLID, 1, RGB(160, 160, 160));
        old = pDC->SelectObject(&grey);
        const POINT box[] = {{area.left, area.top},
                             {area.right - 1, area.top},
                             {area.right - 1, area.bottom - 1},
                             {area.left, area.bottom - 1},
                             {area.left, area.top}};
        pDC->Polyline(box, 5);
        pDC->SelectObject(old);
    }
};

} // namespace

TilePlan PlanTiles(double patternWmm, double patternHmm, double contentWmm, double contentHmm,
                   double overlapMm) {
    TilePlan p;
    if (!(overlapMm >= 0) || !(contentWmm > overlapMm) || !(contentHmm > overlapMm) || !(patternWmm >= 0) ||
        !(patternHmm >= 0) || !std::isfinite(patternWmm) || !std::isfinite(patternHmm))
        return p;
    p.contentWmm = contentWmm;
    p.contentHmm = contentHmm;
    p.stepXmm = contentWmm - overlapMm;
    p.stepYmm = contentHmm - overlapMm;
    p.columns = TileCount(patternWmm, contentWmm, overlapMm);
    p.rows = TileCount(patternHmm, contentHmm, overlapMm);
    // The sheets together cover a little more than the pattern: centred.
    p.originXmm = (patternWmm - (p.columns * p.stepXmm + overlapMm)) / 2;
    p.originYmm = (patternHmm - (p.rows * p.stepYmm + overlapMm)) / 2;
    return p;
}

SheetLayout ComputeSheetLayout(int dpiX, int dpiY, int hRes, int vRes, int bandHeight, double marginIn) {
    const int mx = static_cast<int>(std::lround(dpiX * marginIn));
    const int my = static_cast<int>(std::lround(dpiY * marginIn));
    SheetLayout l;
    l.band = CRect(mx, my, hRes - mx, my + bandHeight);
    l.content = CRect(mx, my + bandHeight, hRes - mx, vRes - my);
    return l;
}

double PrepareTrueSize(CLoomveilDoc& doc, std::string* why) {
    // Read again as every print reads its file, into outlines only: a
    // memory DC without a bitmap draws no pixels.
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    if (!doc.RenderBitmap(&dc, kTrueSizeOutline, kTrueSizeOutline)) {
        if (why) *why = doc.m_strError.empty() ? "the file could not be read" : doc.m_strError;
        return 0;
    }
    const units::ListUnit unit = units::UnitOfPointList(doc, kTrueSizeOutline, kTrueSizeOutline);
    if (!unit.Known() && why) *why = unit.why;
    return unit.mmPerUnit;
}

TruePrintOutcome PrintTrueSize(CLoomveilDoc& doc, CDC* pDC, double mmPerUnit, const TileOptions& options) {
    TruePrintOutcome out;
    const PatternOnPaper pattern{doc.m_PointList, ComputeStrokeStats(doc.m_PointList), mmPerUnit};
    if (!(mmPerUnit > 0) || !pattern.stats.hasExtent) {
        out.why = "the pattern has no extent to print";
        return out;
    }

    const int dpiX = pDC->GetDeviceCaps(LOGPIXELSX), dpiY = pDC->GetDeviceCaps(LOGPIXELSY);
    const int hRes = pDC->GetDeviceCaps(HORZRES), vRes = pDC->GetDeviceCaps(VERTRES);
    if (dpiX <= 0 || dpiY <= 0) return out;
    const double pxPerMmX = dpiX / kMmPerInch, pxPerMmY = dpiY / kMmPerInch;

    CFont font;
    font.CreatePointFont(100, "Arial", pDC);
    CFont* oldFont = pDC->SelectObject(&font);
    const int lineHeight = pDC->GetTextExtent("Ag").cy * 5 / 4;
    const SheetLayout layout =
        ComputeSheetLayout(dpiX, dpiY, hRes, vRes, lineHeight * 3 / 2, options.marginIn);
    const double patternW = (static_cast<double>(pattern.stats.maxX) - pattern.stats.minX) * mmPerUnit;
    const double patternH = (static_cast<double>(pattern.stats.maxY) - pattern.stats.minY) * mmPerUnit;
    out.plan = PlanTiles(patternW, patternH, layout.content.Width() / pxPerMmX,
                         layout.content.Height() / pxPerMmY, options.overlapMm);
    if (out.plan.Sheets() == 0 || out.plan.Sheets() > kMaxTrueSizeSheets) {
        out.why = out.plan.Sheets() == 0
                      ? std::string("the page leaves no room for the pattern")
                      : "the pattern needs " + std::to_string(out.plan.Sheets()) +
                            " sheets at true size (at most " + std::to_string(kMaxTrueSizeSheets) + ")";
        pDC->SelectObject(oldFont);
        return out;
    }

    if (pDC->StartDoc(PrintJobName(doc.m_strFileName)) <= 0) {
        out.why = "the printer could not start the job";
        pDC->SelectObject(oldFont);
        return out;
    }
    out.started = true;
    pDC->SetBkMode(TRANSPARENT);
    const TruePage page{pDC,      doc,      pattern, out.plan, layout,    options,
                        pxPerMmX, pxPerMmY, dpiX,    dpiY,     lineHeight};
    bool ok = pDC->StartPage() > 0;
    if (ok) {
        page.Cover(patternW, patternH);
        ok = pDC->EndPage() > 0;
        ++out.pages;
    }
    for (int r = 0; ok && r < out.plan.rows; ++r) {
        for (int c = 0; ok && c < out.plan.columns; ++c) {
            ok = pDC->StartPage() > 0;
            if (!ok) break;
            page.Tile(r, c);
            ok = pDC->EndPage() > 0;
            ++out.pages;
        }
    }
    pDC->SelectObject(oldFont);
    if (ok) out.finished = pDC->EndDoc() > 0;
    return out;
}
