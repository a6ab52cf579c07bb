#include "app/pattern_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>
#include <cmath>

namespace app {

namespace {

// More than this many list elements per playback step are drawn by the
// worker; fewer are added to the picture at once.
constexpr std::size_t kStepOnWindowThread = 200000;

QRgb Background(const QImage& image) {
    return image.isNull() ? qRgb(255, 255, 255) : image.pixel(0, 0);
}

} // namespace

PatternView::PatternView(QWidget* frame, Hooks hooks)
    : m_frame(frame), m_hooks(std::move(hooks)), m_mailbox(std::make_unique<QObject>()) {
    QObject* mailbox = m_mailbox.get();
    m_renderer = std::make_unique<ViewRenderer>([this, mailbox](ViewPicture picture) {
        QMetaObject::invokeMethod(
            mailbox, [this, p = std::move(picture)]() mutable { Receive(std::move(p)); },
            Qt::QueuedConnection);
    });
    if (m_frame) {
        m_frame->installEventFilter(this);
        m_frame->setMouseTracking(true);
    }
}

PatternView::~PatternView() {
    m_renderer.reset();
    m_mailbox.reset();
}

QSize PatternView::FrameSize() const {
    if (!m_frame) return {};
    if (const auto* f = qobject_cast<const QFrame*>(m_frame.data())) return f->contentsRect().size();
    return m_frame->size();
}

void PatternView::Show(std::shared_ptr<ViewContent> content, QSize fittedSize) {
    m_content = std::move(content);
    m_fittedSize = fittedSize;
    m_view = {};
    m_playTo.reset();
    m_shown.reset();
    m_painter.reset();
    m_painterKey.reset();
    // The worker lets go of what it kept for the last file.
    m_renderer->Request({m_content, {}, {}, {}});
    m_wanted = 0;
    if (m_frame) m_frame->update();
}

void PatternView::Clear() {
    Show(nullptr, {});
}

void PatternView::SetView(const ViewTransform& view) {
    if (!m_content || view == m_view) return;
    m_view = view;
    Request();
}

void PatternView::ZoomAbout(QPointF at, double factor) {
    SetView(m_view.ZoomedAbout(at, factor));
}

void PatternView::ZoomSteps(int steps) {
    const QSize f = FrameSize();
    ZoomAbout(QPointF(f.width() / 2.0, f.height() / 2.0), std::pow(kZoomStep, steps));
}

void PatternView::SetPlayback(std::optional<std::size_t> count) {
    if (!m_content || count == m_playTo) return;
    m_playTo = count;
    // A few more stitches are added to the playback picture at hand.
    if (count && m_shown && m_shown->playTo && m_shown->frame == FrameSize() && m_shown->view == m_view &&
        m_shown->cursor.next <= *count && *count - m_shown->cursor.next <= kStepOnWindowThread) {
        if (const StitchPainter* painter = Painter()) {
            painter->Advance(m_shown->image, m_shown->cursor, *count);
            m_shown->playTo = count;
            if (m_frame) m_frame->update();
            return;
        }
    }
    Request();
}

const StitchPainter* PatternView::Painter() {
    if (!m_content || !m_content->pattern) return nullptr;
    const PainterKey key{FrameSize(), m_view};
    if (!m_painter || m_painterKey != key) {
        m_painter =
            std::make_unique<StitchPainter>(*m_content->pattern, m_content->space, key.frame, key.view);
        m_painterKey = key;
    }
    return m_painter.get();
}

bool PatternView::Matches(const Shown& s) const {
    return s.frame == FrameSize() && s.view == m_view && s.playTo == m_playTo;
}

bool PatternView::FittedShown() const {
    return m_view.IsFit() && !m_playTo && m_fittedSize == FrameSize();
}

bool PatternView::Exact() const {
    return !m_content || FittedShown() || (m_shown && Matches(*m_shown));
}

void PatternView::Request() {
    if (m_frame) m_frame->update();
    if (!m_content) return;
    const QSize frame = FrameSize();
    if (frame.isEmpty()) return;
    if (FittedShown() || (m_shown && Matches(*m_shown))) {
        m_renderer->Drop();
        m_wanted = 0;
        return;
    }
    m_wanted = m_renderer->Request({m_content, frame, m_view, m_playTo});
}

void PatternView::Receive(ViewPicture picture) {
    if (picture.serial != m_wanted || !m_content) return;
    const ViewRequest& r = picture.request;
    if (r.frame != FrameSize()) return; // resized meanwhile; a newer request follows
    if (picture.ok && r.view.IsFit() && !r.playTo) {
        m_fittedSize = r.frame;
        if (m_hooks.fittedPictureChanged) m_hooks.fittedPictureChanged(picture.image);
    }
    m_shown = Shown{std::move(picture.image), r.frame, r.view, r.playTo, picture.cursor};
    if (m_frame) m_frame->update();
}

void PatternView::WaitForPicture() {
    m_renderer->WaitIdle();
    QCoreApplication::sendPostedEvents(m_mailbox.get());
}

void PatternView::Paint(QPainter& painter, QSize client, const QImage& fitted) {
    if (FittedShown() && fitted.size() == client) {
        painter.drawImage(0, 0, fitted);
    } else if (m_shown && Matches(*m_shown)) {
        painter.drawImage(0, 0, m_shown->image);
    } else {
        // The best picture at hand, where the exact one will put it.
        const bool useShown = m_shown && m_shown->frame == client;
        const QImage& old = useShown ? m_shown->image : fitted;
        const ViewTransform from = useShown ? m_shown->view : ViewTransform{};
        painter.fillRect(QRect(QPoint(0, 0), client), QColor(Background(old)));
        const PreviewPlacement place = PlacePreview(from, m_view);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.translate(place.topLeft);
        painter.scale(place.scale, place.scale);
        painter.drawImage(0, 0, old);
        painter.restore();
    }
    if (m_playTo && m_shown && Matches(*m_shown) && m_shown->cursor.last)
        DrawNeedle(painter, *m_shown->cursor.last);
}

bool PatternView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_frame) return false;
    switch (event->type()) {
    case QEvent::Resize:
        if (m_content) Request();
        return false;
    case QEvent::Wheel: {
        if (!m_content) return false;
        auto* e = static_cast<QWheelEvent*>(event);
        const double notches = e->angleDelta().y() / 120.0;
        if (notches != 0) {
            const QPointF at = e->position() - QPointF(m_frame->contentsRect().topLeft());
            ZoomAbout(at, std::pow(kZoomStep, notches));
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        if (!m_content) return false;
        Fit();
        return true;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!m_content || e->button() != Qt::LeftButton) return false;
        m_dragging = true;
        m_dragFrom = e->position().toPoint();
        m_dragView = m_view;
        m_frame->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_dragging) return false;
        m_dragging = false;
        m_frame->unsetCursor();
        return true;
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint pos = e->position().toPoint();
        if (m_dragging) SetView(m_dragView.Dragged(pos - m_dragFrom));
        if (m_hooks.cursorMoved) {
            const QPointF at = QPointF(pos - m_frame->contentsRect().topLeft());
            m_hooks.cursorMoved(m_content ? std::optional(m_view.ToFitted(at)) : std::nullopt);
        }
        return m_dragging;
    }
    case QEvent::Leave:
        if (m_hooks.cursorMoved) m_hooks.cursorMoved(std::nullopt);
        return false;
    default:
        return false;
    }
}

} // namespace app
