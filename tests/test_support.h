// Helpers shared by the test suites.
#pragma once

#include "model/loomveil_doc.h"

#include <QImage>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace test {

// A white memory bitmap with a DC drawing into it.
struct Canvas {
    CBitmap bitmap;
    CDC dc;
    Canvas(int w, int h) {
        bitmap.CreateCompatibleBitmap(nullptr, w, h);
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, w, h, RGB(255, 255, 255));
    }
    const QImage& Image() const { return bitmap.Image(); }
    bool Set(int x, int y) const { return (Image().pixel(x, y) & 0xFFFFFF) != 0xFFFFFF; }
    // The pixels set where where(x, y) holds.
    template <class Pred> int Count(Pred where) const {
        int n = 0;
        for (int y = 0; y < Image().height(); ++y)
            for (int x = 0; x < Image().width(); ++x) n += Set(x, y) && where(x, y);
        return n;
    }
    int Count() const {
        return Count([](int, int) { return true; });
    }
};

// A folder that is removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return m_path; }
    std::string File(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
std::string DataPath(std::string_view relative);
// s quoted for a POSIX shell.
std::string ShellQuote(const std::string& s);
// "8004 7F 00" -> those bytes; blanks between bytes are skipped.
std::string Hex(std::string_view hex);

// The result of rendering a file through the document.
struct Rendered {
    int result = 0;
    QImage image;
    std::vector<_tagREALPT> points;
};
// How a test reads a file: through RenderBitmap, as the program does, or
// through the reader its extension names alone (a file with nothing to draw
// is taken by its reader and refused only by the render around it).
enum class Via { render, reader };
// Renders path (through SetCurrentFile and RenderBitmap, or the reader)
// into a width × height picture.
Rendered RenderPath(CLoomveilDoc& doc, const std::string& path, int width = 200, int height = 200,
                    Via via = Via::render);
// Writes bytes to a temporary file named "pattern.<ext>" and renders it.
Rendered RenderText(std::string_view ext, std::string_view bytes, int width = 200, int height = 200,
                    Via via = Via::render);

// Is the pixel white?
bool IsWhite(const QImage& image, int x, int y);
int CountNonWhite(const QImage& image);

// The break marker and a point, for writing expected lists.
constexpr _tagREALPT kBreak{3.4028235e38f, 0.0f};
inline bool SamePoint(const _tagREALPT& a, const _tagREALPT& b) {
    return a.x == b.x && a.y == b.y;
}

} // namespace test
