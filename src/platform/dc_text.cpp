// Text of a device context: the selected LOGFONT as a Qt font (pixel
// sizes, so screen, bitmap and printer agree), text extents, alignment to
// the reference point, and glyph outlines for paths. Text is drawn with a
// painter, anti-aliasing off.
#include "platform/dc.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>

COLORREF CDC::SetTextColor(COLORREF colour) {
    const COLORREF old = m_textColour;
    m_textColour = colour;
    return old;
}

int CDC::SetBkMode(int mode) {
    const int old = m_bkMode;
    m_bkMode = mode;
    return old;
}

UINT CDC::SetTextAlign(UINT flags) {
    const UINT old = m_textAlign;
    m_textAlign = flags;
    return old;
}

QFont CDC::CurrentQFont() const {
    QFont f;
    if (!m_font) {
        f.setPixelSize(16);
        return f;
    }
    const LOGFONT& lf = m_font->m_lf;
    if (lf.lfFaceName[0]) f.setFamily(QString::fromLatin1(lf.lfFaceName));
    if (lf.lfHeight < 0) {
        f.setPixelSize(std::max<LONG>(1, -lf.lfHeight));
    } else if (lf.lfHeight > 0) {
        // A positive height is the cell height (ascent + descent).
        f.setPixelSize(100);
        const QFontMetricsF fm(f);
        const double cell = fm.ascent() + fm.descent();
        f.setPixelSize(
            std::max(1, static_cast<int>(std::lround(lf.lfHeight * 100.0 / (cell > 0 ? cell : 100.0)))));
    } else {
        f.setPixelSize(16);
    }
    if (lf.lfWeight >= 600) f.setBold(true);
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    if (lf.lfWidth > 0) {
        const QFontMetricsF fm(f);
        const double avg = fm.averageCharWidth();
        if (avg > 0)
            f.setStretch(std::clamp(static_cast<int>(std::lround(lf.lfWidth * 100.0 / avg)), 1, 4000));
    }
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

CSize CDC::GetTextExtent(const CString& text) {
    if (text.IsEmpty()) return CSize(0, 0);
    const QFont f = CurrentQFont();
    const QFontMetrics fm = m_target.Device() ? QFontMetrics(f, m_target.Device()) : QFontMetrics(f);
    return CSize(fm.horizontalAdvance(text.Q()), fm.ascent() + fm.descent());
}

CDC::TextPlacement CDC::PlaceText(const QString& text) const {
    TextPlacement t;
    t.font = CurrentQFont();
    const QFontMetrics fm =
        m_target.Device() ? QFontMetrics(t.font, m_target.Device()) : QFontMetrics(t.font);
    t.width = fm.horizontalAdvance(text);
    t.ascent = fm.ascent();
    t.descent = fm.descent();
    switch (m_textAlign & TA_CENTER) {
    case TA_RIGHT:
        t.dx = -t.width;
        break;
    case TA_CENTER:
        t.dx = -t.width / 2;
        break;
    default:
        break;
    }
    t.baseline = t.ascent; // TA_TOP
    if ((m_textAlign & TA_BASELINE) == TA_BASELINE)
        t.baseline = 0;
    else if (m_textAlign & TA_BOTTOM)
        t.baseline = -t.descent;
    return t;
}

BOOL CDC::TextOut(int x, int y, const CString& text) {
    const double angle = m_font ? -m_font->m_lf.lfEscapement / 10.0 : 0.0;
    if (Recording()) {
        if (text.IsEmpty()) return TRUE;
        const TextPlacement t = PlaceText(text.Q());
        QPainterPath glyphs;
        glyphs.addText(QPointF(t.dx, t.baseline), t.font, text.Q());
        QTransform place;
        place.translate(x + m_viewportOrg.x, y + m_viewportOrg.y);
        if (angle != 0.0) place.rotate(angle);
        m_path.AddOutline(place.map(glyphs));
        return TRUE;
    }
    QPainter* p = Painter();
    if (!p) return FALSE;
    const TextPlacement t = PlaceText(text.Q());
    p->save();
    p->translate(x + m_viewportOrg.x, y + m_viewportOrg.y);
    if (angle != 0.0) p->rotate(angle);
    p->setFont(t.font);
    if (m_bkMode == OPAQUE)
        p->fillRect(QRect(t.dx, t.baseline - t.ascent, t.width, t.ascent + t.descent), Qt::white);
    p->setPen(QColourFrom(m_textColour));
    p->drawText(QPoint(t.dx, t.baseline), text.Q());
    p->restore();
    return TRUE;
}
