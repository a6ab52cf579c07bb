// The render worker: draws the picture frame's pictures on a thread of its
// own, so that the window never waits for a large pattern. The window asks
// for a picture (Request); the worker draws the newest request it has, into
// a bitmap of its own with a DC of its own, and hands the finished picture
// to `deliver` (on the worker's thread: the receiver posts it to the
// window's). A request that was overtaken before the worker got to it is
// dropped, so a burst of zoom steps costs at most two pictures.
#pragma once

#include "app/stitch_painter.h"
#include "app/view_sources.h"

#include <QImage>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace app {

struct ViewRequest {
    std::shared_ptr<ViewContent> content;
    QSize frame;
    ViewTransform view;
    // Playback: the picture of the first playTo list elements, sewn in order.
    std::optional<std::size_t> playTo;
};

struct ViewPicture {
    std::uint64_t serial = 0; // of the request it answers
    ViewRequest request;
    QImage image;
    bool ok = false;
    StitchCursor cursor; // playback: where the drawing stopped
};

// Draws one request (on the calling thread). A request without content
// only lets go of the drawing the thread kept for an earlier file.
ViewPicture DrawView(const ViewRequest& request);

class ViewRenderer {
public:
    using Deliver = std::function<void(ViewPicture)>;
    explicit ViewRenderer(Deliver deliver);
    ~ViewRenderer();
    ViewRenderer(const ViewRenderer&) = delete;
    ViewRenderer& operator=(const ViewRenderer&) = delete;

    // Replaces any request not yet started; returns its serial number.
    std::uint64_t Request(ViewRequest request);
    // Forgets the request not yet started.
    void Drop();
    // Waits until nothing is pending or being drawn.
    void WaitIdle();

private:
    void Run();

    Deliver m_deliver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<ViewRequest> m_pending;
    std::uint64_t m_pendingSerial = 0;
    std::uint64_t m_serial = 0;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace app
