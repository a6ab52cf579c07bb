// The picture frame as a view of the pattern: zoom (wheel about the cursor,
// + and −), pan (drag, arrow keys), fit (double click, Ctrl+0), and the
// stitch-order playback's picture. Every new scale is drawn anew by the
// render worker; until its picture arrives the frame shows the last picture
// it has, scaled and moved to where the new one will be, so the window
// answers at once however large the pattern.
#pragma once

#include "app/view_renderer.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QPainter;
class QWidget;

namespace app {

class PatternView : public QObject {
public:
    struct Hooks {
        // A picture of the whole pattern fitted to the frame's new size
        // (after a resize): the window's rendered bitmap from now on.
        std::function<void(const QImage&)> fittedPictureChanged;
        // The mouse over the frame, in pixels of the fitted picture; nothing
        // when it left.
        std::function<void(std::optional<QPointF>)> cursorMoved;
    };

    PatternView(QWidget* frame, Hooks hooks);
    ~PatternView() override;

    // A file was rendered into a picture of fittedSize: content to draw it
    // from at other sizes and scales. The view goes back to the fit.
    void Show(std::shared_ptr<ViewContent> content, QSize fittedSize);
    // No file shown: nothing to zoom or play.
    void Clear();
    bool HasContent() const { return m_content != nullptr; }
    const ViewContent* Content() const { return m_content.get(); }

    const ViewTransform& View() const { return m_view; }
    void SetView(const ViewTransform& view);
    void ZoomAbout(QPointF at, double factor);
    // steps of kZoomStep about the frame's centre (negative: out).
    void ZoomSteps(int steps);
    void Fit() { SetView({}); }
    // Moves the picture by delta frame pixels.
    void Pan(QPoint delta) { SetView(m_view.Dragged(delta)); }

    // Stitch-order playback: the picture of the first `count` list
    // elements, or the whole picture again (nothing).
    void SetPlayback(std::optional<std::size_t> count);
    std::optional<std::size_t> Playback() const { return m_playTo; }

    // Paints the frame's client area of size client: the exact picture when
    // it is there, the best picture at hand scaled meanwhile. fitted is the
    // window's rendered bitmap (the picture at the fit).
    void Paint(QPainter& painter, QSize client, const QImage& fitted);

    // True when the frame shows the exact picture for its size and view.
    bool Exact() const;
    // Tests and benchmarks: waits for the worker and takes its picture.
    void WaitForPicture();

    QSize FrameSize() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shown {
        QImage image;
        QSize frame;
        ViewTransform view;
        std::optional<std::size_t> playTo;
        StitchCursor cursor;
    };

    void Request();
    void Receive(ViewPicture picture);
    bool Matches(const Shown& s) const;
    // The view is the fit and the window's bitmap has the frame's size.
    bool FittedShown() const;
    // The playback painter for the current frame and view (made on demand).
    const StitchPainter* Painter();

    QPointer<QWidget> m_frame;
    Hooks m_hooks;
    std::shared_ptr<ViewContent> m_content;
    ViewTransform m_view;
    std::optional<std::size_t> m_playTo;
    std::optional<Shown> m_shown;
    QSize m_fittedSize;         // of the window's rendered bitmap
    std::uint64_t m_wanted = 0; // serial of the newest request

    struct PainterKey {
        QSize frame;
        ViewTransform view;
        bool operator==(const PainterKey&) const = default;
    };
    std::optional<PainterKey> m_painterKey;
    std::unique_ptr<StitchPainter> m_painter;

    bool m_dragging = false;
    QPoint m_dragFrom;
    ViewTransform m_dragView;

    // Posts the worker's pictures to this object's thread; destroyed (and
    // with it any picture still on its way) before the worker stops.
    std::unique_ptr<QObject> m_mailbox;
    std::unique_ptr<ViewRenderer> m_renderer;
};

} // namespace app
