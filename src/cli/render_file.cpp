#include "cli/render_file.h"

#include "cli/cli.h"
#include "platform/atomic_file.h"

#include <QBuffer>
#include <QImageWriter>
#include <chrono>

namespace cli {

void SetCurrentInput(CLoomveilDoc& doc, const Input& input) {
    doc.SetCurrentFile(CString(input.path));
    if (!input.format.empty()) doc.m_strFileExt = CString(input.format);
}

RenderResult RenderFile(CLoomveilDoc& doc, const Input& input, int width, int height) {
    RenderResult r;
    SetCurrentInput(doc, input);
    // Text in DXF drawings needs the font machinery (the batch has made it
    // already when it runs jobs in parallel).
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

std::string WriteWholeFile(const std::string& path, const QByteArray& bytes) {
    AtomicFile file;
    CFileException error;
    if (!file.Open(CString(path), CFile::modeCreate | CFile::modeWrite, &error)) return error.What();
    try {
        file.Write(bytes.constData(), static_cast<UINT>(bytes.size()));
        file.Commit();
    } catch (const CFileException& e) {
        file.Discard();
        return e.What();
    }
    return {};
}

std::string SaveImage(const QImage& image, const std::string& path, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) return "cannot encode the picture: " + writer.errorString().toStdString();
    buffer.close();
    return WriteWholeFile(path, bytes);
}

} // namespace cli
