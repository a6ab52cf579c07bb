#include "cli/render_file.h"

#include "cli/cli.h"

#include <QSaveFile>
#include <chrono>

namespace cli {

RenderResult RenderFile(CLoomveilDoc& doc, const std::string& path, int width, int height) {
    RenderResult r;
    doc.SetCurrentFile(CString(path));
    // Text in DXF drawings needs the font machinery.
    if (IsFileExt(doc.m_strFileExt, "dxf")) EnsureGuiApplication();
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(nullptr, width, height)) {
        r.error = "picture too large for memory";
        return r;
    }
    {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&bitmap);
        const auto t0 = std::chrono::steady_clock::now();
        r.ok = doc.RenderBitmap(&dc, width, height) != 0;
        r.seconds = SecondsSince(t0);
        dc.SelectObject(static_cast<CBitmap*>(nullptr));
    }
    if (!r.ok) r.error = doc.m_strError.empty() ? "unable to open file" : doc.m_strError;
    r.image = bitmap.Image();
    return r;
}

std::string SavePng(const QImage& image, const std::string& path) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return file.errorString().toStdString();
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return "cannot encode the picture";
    }
    if (!file.commit()) return file.errorString().toStdString();
    return {};
}

} // namespace cli
