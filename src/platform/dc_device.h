// The paint-device backend of a device context: a printer, a PDF writer or a
// window drawn through a QPainter, or the painter a memory DC uses on its
// bitmap for what the rasteriser does not draw. Runs of lines with one pen
// are collected and drawn as one polyline. A paged device (printer, PDF
// writer) is drawn between StartDoc and EndDoc, and every StartPage after the
// first asks it for a new sheet.
#pragma once

#include "platform/wintypes.h"

#include <QPoint>
#include <QPolygon>
#include <QString>
#include <functional>
#include <memory>

class QImage;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

// What a paged device needs beyond painting, supplied by whoever knows its
// kind: naming the job (StartDoc's document name), and abandoning a job that
// was started and never ended (a DC deleted before EndDoc throws its job
// away instead of printing it).
struct PagedDeviceHooks {
    std::function<void(const QString&)> nameDocument;
    std::function<void()> abortDocument;
};

namespace dc {

class ClipRegion;

class PaintTarget {
public:
    // The clip every painter begun here gets; it outlives this target.
    explicit PaintTarget(const ClipRegion& clip);
    ~PaintTarget();
    PaintTarget(const PaintTarget&) = delete;
    PaintTarget& operator=(const PaintTarget&) = delete;

    // A device drawn at once (widget, image) or, when paged, from StartDoc.
    void AttachDevice(QPaintDevice* device, bool paged);
    void AttachPagedDevice(QPagedPaintDevice* device, PagedDeviceHooks hooks);
    // A painter someone else owns and ends.
    void AttachPainter(QPainter* painter);
    // The painter begun on demand on a memory DC's bitmap (null: none).
    void AttachImage(QImage* image);
    // Draws what is pending, abandons an open document, ends an own painter
    // and forgets the device.
    void Reset();

    QPaintDevice* Device() const { return m_device; }
    bool Paged() const { return m_paged; }
    // The active painter (begun on the bitmap when there is one), after
    // drawing the pending lines; null without one.
    QPainter* Painter();
    // Re-applies the clip to the painter, after the clip changed.
    void ApplyClip();

    // One line from a LineTo run, device units, in colour and width.
    // Returns false without a painter.
    bool AddLine(QPoint from, QPoint to, COLORREF colour, int width);
    void Flush();

    int StartDoc(const QString& docName);
    int StartPage();
    int EndPage();
    int EndDoc();

private:
    void EndOwnPainter();

    const ClipRegion& m_clip;
    QPaintDevice* m_device = nullptr;
    QImage* m_image = nullptr;
    bool m_paged = false;
    QPagedPaintDevice* m_pagedDevice = nullptr;
    PagedDeviceHooks m_hooks;
    bool m_docOpen = false; // StartDoc succeeded, EndDoc not yet called
    int m_pagesStarted = 0;
    std::unique_ptr<QPainter> m_ownPainter;
    QPainter* m_painter = nullptr; // m_ownPainter.get() or an external one

    QPolygon m_polyline; // pending LineTo run
    COLORREF m_polylineColour = 0;
    int m_polylineWidth = 1;
};

} // namespace dc
