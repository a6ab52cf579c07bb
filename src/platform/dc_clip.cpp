#include "platform/dc_clip.h"

#include "platform/dc.h"

#include <QPainter>

namespace dc {

int ClipRegion::Select(const CRgn* rgn) {
    if (rgn && rgn->IsValid())
        m_region = rgn->Region();
    else
        m_region.reset();
    m_rectsValid = false;
    if (!m_region) return SIMPLEREGION;
    if (m_region->isEmpty()) return NULLREGION;
    return m_region->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void ClipRegion::Clear() {
    m_region.reset();
    m_rectsValid = false;
}

const std::vector<QRect>& ClipRegion::RectsWithin(const QRect& bounds) {
    if (!m_rectsValid || m_rectsBounds != bounds) {
        m_rects.clear();
        if (!bounds.isEmpty()) {
            if (!m_region) {
                m_rects.push_back(bounds);
            } else {
                for (const QRect& r : m_region->intersected(QRegion(bounds))) m_rects.push_back(r);
            }
        }
        m_rectsBounds = bounds;
        m_rectsValid = true;
    }
    return m_rects;
}

void ClipRegion::ApplyTo(QPainter* painter) const {
    if (!painter || !painter->isActive()) return;
    if (m_region)
        painter->setClipRegion(*m_region);
    else
        painter->setClipping(false);
}

} // namespace dc
