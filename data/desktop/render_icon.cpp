// Writes the application icon for the desktop's icon theme:
// OUTDIR/<n>x<n>/loomveil.png for each size n given, drawn by the same code
// as the window's icon, so the two never differ.
//
//   loomveil-icon OUTDIR 16 32 48 ...
#include "app/app_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR SIZE...\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 1 || size > 1024) {
            std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
            return 2;
        }
        const QString folder = root + QString("/%1x%1").arg(size);
        if (!QDir().mkpath(folder) || !app::LoomveilIconPixmap(size).save(folder + "/loomveil.png", "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s/loomveil.png\n", argv[0],
                         folder.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
