#include "platform/dc_device.h"

#include "platform/dc.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>

namespace dc {

PaintTarget::PaintTarget(const ClipRegion& clip) : m_clip(clip) {}

PaintTarget::~PaintTarget() {
    Reset();
}

void PaintTarget::AttachDevice(QPaintDevice* device, bool paged) {
    Reset();
    m_device = device;
    m_paged = paged;
    if (!paged && device) {
        m_ownPainter = std::make_unique<QPainter>(device);
        m_painter = m_ownPainter.get();
    }
}

void PaintTarget::AttachPagedDevice(QPagedPaintDevice* device, PagedDeviceHooks hooks) {
    AttachDevice(device, true);
    m_pagedDevice = device;
    m_hooks = std::move(hooks);
}

void PaintTarget::AttachPainter(QPainter* painter) {
    Reset();
    m_painter = painter;
    m_device = painter ? painter->device() : nullptr;
}

void PaintTarget::AttachImage(QImage* image) {
    Flush();
    EndOwnPainter();
    m_image = image;
}

void PaintTarget::Reset() {
    Flush();
    if (m_docOpen && m_hooks.abortDocument) m_hooks.abortDocument();
    m_docOpen = false;
    m_pagesStarted = 0;
    m_pagedDevice = nullptr;
    m_hooks = {};
    EndOwnPainter();
    m_painter = nullptr;
    m_device = nullptr;
    m_image = nullptr;
    m_paged = false;
}

void PaintTarget::EndOwnPainter() {
    if (!m_ownPainter) return;
    if (m_ownPainter->isActive()) m_ownPainter->end();
    if (m_painter == m_ownPainter.get()) m_painter = nullptr;
    m_ownPainter.reset();
}

QPainter* PaintTarget::Painter() {
    Flush();
    if (m_painter) return m_painter;
    if (m_image) {
        m_ownPainter = std::make_unique<QPainter>(m_image);
        m_ownPainter->setRenderHint(QPainter::Antialiasing, false);
        m_ownPainter->setRenderHint(QPainter::TextAntialiasing, false);
        m_painter = m_ownPainter.get();
        ApplyClip();
    }
    return m_painter;
}

void PaintTarget::ApplyClip() {
    m_clip.ApplyTo(m_painter);
}

bool PaintTarget::AddLine(QPoint from, QPoint to, COLORREF colour, int width) {
    if (!m_painter) return false;
    if (!m_polyline.isEmpty() && (colour != m_polylineColour || width != m_polylineWidth)) Flush();
    if (m_polyline.isEmpty()) {
        m_polyline.append(from);
        m_polylineColour = colour;
        m_polylineWidth = width;
    }
    m_polyline.append(to);
    return true;
}

void PaintTarget::Flush() {
    if (m_polyline.isEmpty()) return;
    if (m_painter && m_painter->isActive()) {
        // Width 0 and 1 are one device unit: a cosmetic pen.
        m_painter->setPen(QPen(QColourFrom(m_polylineColour), m_polylineWidth > 1 ? m_polylineWidth : 0));
        m_painter->drawPolyline(m_polyline);
    }
    m_polyline.clear();
}

int PaintTarget::StartDoc(const QString& docName) {
    if (!m_device || !m_paged || m_docOpen) return -1;
    // The name must be given before the device opens.
    if (m_hooks.nameDocument) m_hooks.nameDocument(docName);
    m_ownPainter = std::make_unique<QPainter>();
    if (!m_ownPainter->begin(m_device)) {
        m_ownPainter.reset();
        return -1;
    }
    m_painter = m_ownPainter.get();
    ApplyClip();
    m_docOpen = true;
    m_pagesStarted = 0;
    return 1;
}

int PaintTarget::StartPage() {
    if (!m_docOpen || !m_painter || !m_painter->isActive()) return -1;
    // The device opens on its first sheet; later pages ask for a new one.
    if (m_pagesStarted > 0 && (!m_pagedDevice || !m_pagedDevice->newPage())) return -1;
    ++m_pagesStarted;
    return 1;
}

int PaintTarget::EndPage() {
    Flush();
    return m_painter && m_painter->isActive() ? 1 : -1;
}

int PaintTarget::EndDoc() {
    Flush();
    if (!m_docOpen || !m_ownPainter || !m_ownPainter->isActive()) return -1;
    m_docOpen = false;
    const bool ok = m_ownPainter->end();
    m_painter = nullptr;
    m_ownPainter.reset();
    return ok ? 1 : -1;
}

} // namespace dc
