// The clip region of a device context, in device units. One region bounds
// both kinds of target: the bitmap rasteriser asks for it as rectangles
// inside the bitmap, a painter gets it as its clip region.
#pragma once

#include <QRect>
#include <QRegion>
#include <optional>
#include <vector>

class CRgn;
class QPainter;

namespace dc {

class ClipRegion {
public:
    // Takes a copy of rgn's region (null or invalid: no clip) and returns the
    // kind of clip left: SIMPLEREGION, COMPLEXREGION or NULLREGION.
    int Select(const CRgn* rgn);
    void Clear();
    bool Active() const { return m_region.has_value(); }

    // The clip within bounds as rectangles (bounds itself without a clip).
    // Kept until the clip or the bounds change.
    const std::vector<QRect>& RectsWithin(const QRect& bounds);
    // The clip as painter's clip region, or no clipping.
    void ApplyTo(QPainter* painter) const;

private:
    std::optional<QRegion> m_region;
    std::vector<QRect> m_rects;
    QRect m_rectsBounds;
    bool m_rectsValid = false;
};

} // namespace dc
