// The scan-line rasteriser of a memory DC: lines, pixels, region fills and
// block copies written straight into the rows of a Format_RGB32 image, kept
// inside a list of clip rectangles. Pixels are part of the program's results
// and QPainter's aliased lines are not GDI's, so lines are stepped here: along
// the major axis every position gets one pixel, the minor coordinate is the
// exact one rounded to the nearest pixel (halves away from the start), and
// the end pixel is left out, as GDI leaves it out.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace dc {

class BitmapRaster {
public:
    // Draws into image (null: nowhere) from now on; its rows are taken once
    // here, so the image must not be resized or shared meanwhile.
    void Target(QImage* image);
    QImage* Image() const { return m_image; }
    QRect Bounds() const { return m_image ? m_image->rect() : QRect(); }

    // Every call draws only inside clip (rectangles within Bounds()).
    // The line from (x0, y0) to (x1, y1) without its end pixel.
    void Line(std::span<const QRect> clip, long long x0, long long y0, long long x1, long long y1,
              std::uint32_t px);
    void Plot(std::span<const QRect> clip, long long x, long long y, std::uint32_t px);
    void Fill(std::span<const QRect> clip, const QRegion& region, std::uint32_t px);
    // Copies src's block srcRect into dst (device units, may reach outside
    // the image) nearest-neighbour, stretching as needed.
    void StretchCopy(const QImage& src, const QRect& srcRect, long long dl, long long dt, long long w,
                     long long h);

    std::optional<std::uint32_t> Pixel(long long x, long long y) const;

private:
    QImage* m_image = nullptr;
    std::uint32_t* m_bits = nullptr;
    std::ptrdiff_t m_stride = 0; // in pixels
};

} // namespace dc
