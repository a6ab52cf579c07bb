#include "app/window_layout.h"

#include "platform/profile.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <climits>

namespace app {

namespace {

const char* const kSection = "CadInfo";

} // namespace

WindowLayout::WindowLayout(QWidget* window) : m_window(window), m_base(window->size()) {
    // Only the template's size is fixed: the window grows, never shrinks.
    window->setMinimumSize(m_base);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    Qt::WindowFlags flags = window->windowFlags();
    flags &= ~Qt::MSWindowsFixedSizeDialogHint;
    flags |= Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);
    window->installEventFilter(this);
}

void WindowLayout::Add(QWidget* control, QRect base, unsigned follow) {
    if (!control) return;
    m_items.push_back({control, base, follow});
    control->setGeometry(base);
}

void WindowLayout::Add(QWidget* control, unsigned follow) {
    if (control) Add(control, control->geometry(), follow);
}

void WindowLayout::Apply() {
    if (!m_window) return;
    const int dw = std::max(0, m_window->width() - m_base.width());
    const int dh = std::max(0, m_window->height() - m_base.height());
    for (const Item& item : m_items) {
        if (!item.control) continue;
        QRect r = item.base;
        if (item.follow & kMoveX) r.translate(dw, 0);
        if (item.follow & kMoveY) r.translate(0, dh);
        if (item.follow & kGrowX) r.setWidth(r.width() + dw);
        if (item.follow & kGrowY) r.setHeight(r.height() + dh);
        item.control->setGeometry(r);
    }
}

bool WindowLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Resize) Apply();
    return false;
}

void WindowLayout::Restore() {
    if (!m_window) return;
    const int w = GetProfileInt(kSection, "WindowWidth", 0);
    const int h = GetProfileInt(kSection, "WindowHeight", 0);
    if (w > 0 && h > 0) m_window->resize(std::max(w, m_base.width()), std::max(h, m_base.height()));
    const int left = GetProfileInt(kSection, "WindowLeft", INT_MIN);
    const int top = GetProfileInt(kSection, "WindowTop", INT_MIN);
    // Only where a screen still shows the title bar.
    if (left != INT_MIN && top != INT_MIN && QGuiApplication::screenAt(QPoint(left + 40, top + 10)))
        m_window->move(left, top);
    if (GetProfileInt(kSection, "WindowMaximized", 0)) m_window->setWindowState(Qt::WindowMaximized);
}

void WindowLayout::Save() const {
    if (!m_window) return;
    // A maximised or full-screen window remembers the size it returns to.
    QPoint pos = m_window->pos();
    QSize size = m_window->size();
    const bool big = m_window->isMaximized() || m_window->isFullScreen();
    if (big && m_window->normalGeometry().isValid()) {
        pos = m_window->normalGeometry().topLeft();
        size = m_window->normalGeometry().size();
    }
    WriteProfileInt(kSection, "WindowLeft", pos.x());
    WriteProfileInt(kSection, "WindowTop", pos.y());
    WriteProfileInt(kSection, "WindowWidth", size.width());
    WriteProfileInt(kSection, "WindowHeight", size.height());
    WriteProfileInt(kSection, "WindowMaximized", m_window->isMaximized() ? 1 : 0);
}

void ToggleFullScreen(QWidget* window) {
    if (!window) return;
    if (window->isFullScreen())
        window->showNormal();
    else
        window->showFullScreen();
}

} // namespace app
