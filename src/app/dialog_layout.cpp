#include "app/dialog_layout.h"

#include "platform/gdi.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace app {

ScreenMetrics PrimaryScreenMetrics() {
    ScreenMetrics s;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        s.width = screen->geometry().width();
        s.height = screen->geometry().height();
        s.dpiX = static_cast<int>(std::lround(screen->logicalDotsPerInchX()));
        s.dpiY = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    }
    return s;
}

QFont DialogFont(const char* face, int pointSize, int dpiY) {
    static constexpr const char* kClassicFaces[] = {"MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif"};
    QString family = QString::fromLatin1(face);
    for (const char* classic : kClassicFaces)
        if (std::strcmp(face, classic) == 0) family = QStringLiteral("Liberation Sans");
    QFont font(family);
    font.setPixelSize(std::max(1, MulDiv(pointSize, dpiY, 72)));
    return font;
}

BaseUnits MeasureBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int width =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, fm.height()};
}

QRect ControlRect(const resources::DialogControl& c, BaseUnits u) {
    return QRect(MulDiv(c.x, u.x, 4), MulDiv(c.y, u.y, 8), MulDiv(c.cx, u.x, 4), MulDiv(c.cy, u.y, 8));
}

QSize DialogClientSize(const resources::DialogTemplate& tpl, BaseUnits u) {
    return QSize(MulDiv(tpl.cx, u.x, 4), MulDiv(tpl.cy, u.y, 8));
}

FontScaling ScaleTemplateFont(QSize templateSize, const ScreenMetrics& s, int pointSize) {
    const int maxW = std::min(s.width * 5 / 6, s.dpiX * 800 / 100);
    const int maxH = std::min(s.height * 5 / 6, s.dpiY * 800 / 100);
    FontScaling f;
    f.ratio = std::min(static_cast<double>(maxW) / std::max(templateSize.width(), 1),
                       static_cast<double>(maxH) / std::max(templateSize.height(), 1));
    f.pointSize = pointSize;
    if (f.ratio != 1.0) {
        f.changed = true;
        // Stored back into the template as a 16-bit size. A zero size would
        // leave the window without text or extent; one point is the least.
        const auto scaled = static_cast<unsigned short>(static_cast<int>(pointSize * f.ratio + 0.5));
        f.pointSize = std::max<int>(1, scaled);
    }
    return f;
}

} // namespace app
