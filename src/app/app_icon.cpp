#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace app {

namespace {

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0); // drawn on a 64 × 64 grid

    // Four patches of fabric in a rounded square.
    const QRectF square(3, 3, 58, 58);
    QPainterPath outline;
    outline.addRoundedRect(square, 9, 9);
    p.setClipPath(outline);
    const QColor patches[4] = {QColor(0x2f, 0x6f, 0x8f), QColor(0xd9, 0x8a, 0x3d), QColor(0xc9, 0x4f, 0x5c),
                               QColor(0x3f, 0x8f, 0x6a)};
    for (int i = 0; i < 4; ++i) p.fillRect(QRectF(3 + (i % 2) * 29, 3 + (i / 2) * 29, 29, 29), patches[i]);
    p.setClipping(false);

    // Stitching along the edge of the square.
    QPen stitch(QColor(255, 255, 255, 200), 1.6, Qt::DashLine, Qt::FlatCap);
    stitch.setDashPattern({2.0, 1.6});
    p.setPen(stitch);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(square.adjusted(4, 4, -4, -4), 6, 6);

    // A row of loops, the quilting machine's signature stroke.
    QPainterPath loops;
    loops.moveTo(10, 40);
    for (int i = 0; i < 3; ++i) {
        const double x = 16 + i * 14;
        loops.lineTo(x, 40);
        loops.cubicTo(x + 10, 40, x + 10, 24, x + 4, 24);
        loops.cubicTo(x - 2, 24, x - 2, 40, x + 8, 40);
    }
    loops.lineTo(54, 40);
    p.setPen(QPen(QColor(0x1d, 0x1d, 0x24), 5.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(loops);
    p.setPen(QPen(QColor(0xfb, 0xf7, 0xea), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(loops);

    // The frame of the square.
    p.setPen(QPen(QColor(0x1d, 0x1d, 0x24), 2.0));
    p.drawPath(outline);
    return image;
}

} // namespace

QPixmap LoomveilIconPixmap(int size) {
    return QPixmap::fromImage(DrawIcon(size));
}

QIcon LoomveilIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(LoomveilIconPixmap(size));
    return icon;
}

} // namespace app
