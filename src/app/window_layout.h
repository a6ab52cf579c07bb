// The main window made resizable. It opens at its template's size and
// layout and cannot shrink below it; when it grows, the picture frame grows
// with it while the buttons and labels keep their places at the left and
// top. Controls below or right of the frame follow its bottom or right edge.
// The window's size and position are remembered in section "CadInfo" as
// "WindowLeft", "WindowTop", "WindowWidth", "WindowHeight" and
// "WindowMaximized".
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace app {

// How a control follows the window's growth (dw, dh).
enum Follow : unsigned {
    kStay = 0,
    kMoveX = 1, // its left edge moves by dw
    kMoveY = 2,
    kGrowX = 4, // its width grows by dw
    kGrowY = 8,
};

class WindowLayout : public QObject {
public:
    // window: laid out at its template size, not yet shown.
    explicit WindowLayout(QWidget* window);

    // control sits at base (its rectangle at the template's size).
    void Add(QWidget* control, QRect base, unsigned follow);
    void Add(QWidget* control, unsigned follow);
    QSize BaseSize() const { return m_base; }
    // Places every control for the window's current size.
    void Apply();

    // The remembered size and position, if any, within the screens.
    void Restore();
    void Save() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QPointer<QWidget> control;
        QRect base;
        unsigned follow;
    };
    QPointer<QWidget> m_window;
    QSize m_base;
    std::vector<Item> m_items;
};

// Full screen on, or back to the window it was.
void ToggleFullScreen(QWidget* window);

} // namespace app
