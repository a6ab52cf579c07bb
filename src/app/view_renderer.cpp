#include "app/view_renderer.h"

namespace app {

ViewPicture DrawView(const ViewRequest& request) {
    ViewPicture out;
    out.request = request;
    KeepDrawingOf(request.content ? request.content->picture.get() : nullptr);
    if (!request.content || request.frame.isEmpty()) return out;
    const ViewContent& content = *request.content;
    if (request.playTo) {
        if (!content.pattern) return out;
        const StitchPainter painter(*content.pattern, content.space, request.frame, request.view);
        out.image = painter.Picture(*request.playTo, &out.cursor);
        out.ok = true;
        return out;
    }
    if (!content.picture) return out;
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, request.frame.width(), request.frame.height());
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap* old = dc.SelectObject(&bitmap);
    out.ok = content.picture->Draw(&dc, request.frame, request.view);
    dc.SelectObject(old);
    dc.DeleteDC();
    out.image = std::move(bitmap.Image());
    return out;
}

ViewRenderer::ViewRenderer(Deliver deliver) : m_deliver(std::move(deliver)), m_thread([this] { Run(); }) {}

ViewRenderer::~ViewRenderer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_pending.reset();
    }
    m_wake.notify_all();
    m_thread.join();
}

std::uint64_t ViewRenderer::Request(ViewRequest request) {
    std::uint64_t serial;
    {
        const std::lock_guard lock(m_mutex);
        serial = ++m_serial;
        m_pending = std::move(request);
        m_pendingSerial = serial;
    }
    m_wake.notify_all();
    return serial;
}

void ViewRenderer::Drop() {
    const std::lock_guard lock(m_mutex);
    m_pending.reset();
    m_idle.notify_all();
}

void ViewRenderer::WaitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_busy; });
}

void ViewRenderer::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (m_stop) return;
        ViewRequest request = std::move(*m_pending);
        const std::uint64_t serial = m_pendingSerial;
        m_pending.reset();
        m_busy = true;
        lock.unlock();
        ViewPicture picture = DrawView(request);
        picture.serial = serial;
        // The content may be the last reference: let it go here, not in the
        // window's thread, so a large drawing is freed off the window.
        request = {};
        picture.request.content.reset();
        m_deliver(std::move(picture));
        lock.lock();
        m_busy = false;
        if (!m_pending) m_idle.notify_all();
    }
}

} // namespace app
