// How the picture frame shows the pattern: the picture drawn to fit the
// frame (the fitted picture), magnified by zoom and moved by pan. A pixel p
// of the fitted picture shows at p · zoom − pan; zoom 1 with no pan is the
// fitted picture itself. The zoomed picture is drawn anew at its scale
// (vectors, not a stretched bitmap) as if onto a canvas zoom times the
// frame's size whose top-left corner sits at −pan.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QSize>

namespace app {

constexpr double kMinZoom = 0.25;
constexpr double kMaxZoom = 1024.0;
// One wheel notch, one + or − press.
constexpr double kZoomStep = 1.25;

struct ViewTransform {
    double zoom = 1.0;
    QPointF pan; // kept exact, so zooming about a point never drifts

    // The pan in whole pixels, as pictures are drawn.
    QPoint Origin() const { return pan.toPoint(); }
    bool IsFit() const { return zoom == 1.0 && pan.isNull(); }
    bool operator==(const ViewTransform&) const = default;

    // The size of the canvas the zoomed picture is drawn on, for a frame.
    QSize Canvas(QSize frame) const;
    QPointF ToScreen(QPointF fitted) const { return fitted * zoom - pan; }
    QPointF ToFitted(QPointF screen) const { return (screen + pan) / zoom; }

    // Zoomed by factor (within kMinZoom..kMaxZoom) so that the point shown
    // at `at` stays there.
    ViewTransform ZoomedAbout(QPointF at, double factor) const;
    // Moved so that the picture follows a drag by delta.
    ViewTransform Dragged(QPoint delta) const { return {zoom, pan - QPointF(delta)}; }
};

// Where an old picture, drawn with `from`, shows under `to`: the rectangle
// (in frame pixels) to stretch it into while the exact picture is drawn.
struct PreviewPlacement {
    QPointF topLeft;
    double scale = 1.0;
};
PreviewPlacement PlacePreview(const ViewTransform& from, const ViewTransform& to);

} // namespace app
