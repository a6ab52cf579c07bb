#include "test_support.h"
#include "model/formats.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace test {

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base / ("loomveil-t-" + std::to_string(rd()));
        if (std::filesystem::create_directory(m_path)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string DataPath(std::string_view relative) {
    return std::string(LOOMVEIL_TEST_DATA) + "/" + std::string(relative);
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

Rendered RenderPath(CLoomveilDoc& doc, const std::string& path, int width, int height, Via via) {
    Rendered r;
    doc.SetCurrentFile(CString(path));
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, width, height);
    {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&bitmap);
        if (via == Via::render) {
            r.result = doc.RenderBitmap(&dc, width, height);
        } else if (const FileFormat* f = FindFormat(doc.m_strFileExt.Utf8()); f && f->Reads()) {
            dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
            doc.m_PointList.RemoveAll();
            r.result = (doc.*f->read)(&dc, width, height);
        }
        dc.SelectObject(static_cast<CBitmap*>(nullptr));
    }
    r.image = bitmap.Image();
    r.points.assign(doc.m_PointList.begin(), doc.m_PointList.end());
    return r;
}

Rendered RenderText(std::string_view ext, std::string_view bytes, int width, int height, Via via) {
    TempDir dir;
    const std::string path = dir.File("pattern." + std::string(ext));
    WriteFile(path, bytes);
    CLoomveilDoc doc;
    return RenderPath(doc, path, width, height, via);
}

bool IsWhite(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
}

int CountNonWhite(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += IsWhite(image, x, y) ? 0 : 1;
    return n;
}

std::string Hex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += hex[i] == ' ' ? 1 : 2)
        if (hex[i] != ' ') out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

} // namespace test
