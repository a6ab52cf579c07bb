#include "app/view_transform.h"

#include <algorithm>
#include <cmath>

namespace app {

QSize ViewTransform::Canvas(QSize frame) const {
    return QSize(static_cast<int>(std::lround(frame.width() * zoom)),
                 static_cast<int>(std::lround(frame.height() * zoom)));
}

ViewTransform ViewTransform::ZoomedAbout(QPointF at, double factor) const {
    const double next = std::clamp(zoom * factor, kMinZoom, kMaxZoom);
    const QPointF fitted = ToFitted(at);
    return {next, fitted * next - at};
}

PreviewPlacement PlacePreview(const ViewTransform& from, const ViewTransform& to) {
    // A frame pixel s of the old picture shows fitted point (s + pan₀) / zoom₀,
    // which now belongs at that point · zoom₁ − pan₁.
    const double scale = to.zoom / from.zoom;
    return {QPointF(from.Origin()) * scale - QPointF(to.Origin()), scale};
}

} // namespace app
