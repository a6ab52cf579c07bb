// Saves what an X screen shows, cut to the windows on it (everything that
// differs from the empty screen's colour): the README's screenshot.
//
//   loomveil_screen_grab OUT.png      (with DISPLAY set)
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: loomveil_screen_grab OUT.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return 1;
    const QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb empty = shot.pixel(0, 0);
    QRect box;
    for (int y = 0; y < shot.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x)
            if (row[x] != empty) box |= QRect(x, y, 1, 1);
    }
    if (box.isEmpty()) {
        std::fprintf(stderr, "loomveil_screen_grab: the screen is empty\n");
        return 1;
    }
    return shot.copy(box).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
