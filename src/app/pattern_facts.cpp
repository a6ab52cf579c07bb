#include "app/pattern_facts.h"

#include "model/units.h"

#include <algorithm>

namespace app {

PatternFacts CountFacts(const CLoomveilDoc& doc) {
    PatternFacts f;
    f.stats = ComputeStrokeStats(doc.m_PointList);
    // A pattern without colour changes is drawn in one colour.
    f.colours =
        f.stats.points == 0 ? 0 : std::max<int>(1, static_cast<int>(doc.m_StrokeColours.Distinct().size()));
    return f;
}

QString FactsText(const PatternFacts& f) {
    QStringList lines;
    if (f.stats.hasExtent) {
        const double w = static_cast<double>(f.stats.maxX) - f.stats.minX;
        const double h = static_cast<double>(f.stats.maxY) - f.stats.minY;
        if (f.mmPerUnit > 0) {
            const double wmm = w * f.mmPerUnit, hmm = h * f.mmPerUnit;
            lines << QString("Size: %1 × %2 in")
                         .arg(wmm / units::kMmPerInch, 0, 'f', 2)
                         .arg(hmm / units::kMmPerInch, 0, 'f', 2);
            lines << QString("(%1 × %2 mm)").arg(wmm, 0, 'f', 1).arg(hmm, 0, 'f', 1);
        } else {
            lines << QString("Size: unit unknown");
            lines << QString("(%1 × %2 units)").arg(w, 0, 'g', 6).arg(h, 0, 'g', 6);
        }
    }
    lines << QString("Stitches: %L1").arg(static_cast<qulonglong>(f.stats.points));
    lines << QString("Strokes: %L1").arg(static_cast<qulonglong>(f.stats.strokes));
    lines << QString("Colours: %1").arg(f.colours);
    return lines.join('\n');
}

QString CursorText(const PatternFacts& f, QPointF p) {
    QString text = QString("x %1, y %2").arg(p.x(), 0, 'f', 2).arg(p.y(), 0, 'f', 2);
    if (f.mmPerUnit > 0 && f.stats.hasExtent) {
        const double xmm = (p.x() - f.stats.minX) * f.mmPerUnit, ymm = (p.y() - f.stats.minY) * f.mmPerUnit;
        text += QString(" — %1, %2 in (%3, %4 mm) from the top left")
                    .arg(xmm / units::kMmPerInch, 0, 'f', 2)
                    .arg(ymm / units::kMmPerInch, 0, 'f', 2)
                    .arg(xmm, 0, 'f', 1)
                    .arg(ymm, 0, 'f', 1);
    } else {
        text += " units";
    }
    return text;
}

FittedToPattern::FittedToPattern(const CPointList& list, JumpSpace space, QSize fitted) : m_space(space) {
    if (space == JumpSpace::fitted) m_fit.emplace(list, fitted.width(), fitted.height());
}

std::optional<QPointF> FittedToPattern::operator()(QPointF px) const {
    if (m_space == JumpSpace::device) return px;
    if (!m_fit || !m_fit->ok || !(m_fit->scale > 0)) return std::nullopt;
    return QPointF((px.x() - m_fit->hx) / m_fit->scale + m_fit->cx,
                   (px.y() - m_fit->hy) / m_fit->scale + m_fit->cy);
}

} // namespace app
