#include "model/jumps.h"

#include "model/clip_segment.h"
#include "model/loomveil_doc.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kDashOn = 4;
constexpr int kDashPeriod = 7;

// Clips the segment to [0, w) × [0, h); false when nothing of it is
// inside. Keeps the walk below short for far-away end points.
bool Clip(double& x0, double& y0, double& x1, double& y1, int w, int h) {
    double t0, t1;
    if (!ClipSegment(x0, y0, x1, y1, 0, 0, w - 1, h - 1, t0, t1)) return false;
    const double dx = x1 - x0, dy = y1 - y0;
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = ax;
    y0 = ay;
    return true;
}

} // namespace

void DrawJumpLine(QImage& image, int x0, int y0, int x1, int y1, QRgb background, QRgb colour) {
    double ax = x0, ay = y0, bx = x1, by = y1;
    if (!Clip(ax, ay, bx, by, image.width(), image.height())) return;
    const long long phase = static_cast<long long>(std::fmax(std::fabs(ax - x0), std::fabs(ay - y0)));
    int sx = static_cast<int>(std::lround(ax)), sy = static_cast<int>(std::lround(ay));
    const int ex = static_cast<int>(std::lround(bx)), ey = static_cast<int>(std::lround(by));
    const int dx = std::abs(ex - sx), dy = -std::abs(ey - sy);
    const int stepX = sx < ex ? 1 : -1, stepY = sy < ey ? 1 : -1;
    int err = dx + dy;
    background |= 0xFF000000u;
    colour |= 0xFF000000u;
    for (long long i = phase;; ++i) {
        if (i % kDashPeriod < kDashOn && sx >= 0 && sy >= 0 && sx < image.width() && sy < image.height()) {
            QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(sy));
            if ((row[sx] | 0xFF000000u) == background) row[sx] = colour;
        }
        if (sx == ex && sy == ey) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            sx += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            sy += stepY;
        }
    }
}

std::vector<Jump> FindJumps(const CPointList& list) {
    std::vector<Jump> jumps;
    const _tagREALPT* last = nullptr; // last point of the stroke before
    bool broken = false;
    for (const _tagREALPT& p : list) {
        if (IsBreak(p)) {
            broken = true;
            continue;
        }
        if (broken && last) jumps.push_back({*last, p});
        broken = false;
        last = &p;
    }
    return jumps;
}

void DrawJumps(QImage& image, const CPointList& list, int width, int height, JumpSpace space, QRgb background,
               QRgb colour) {
    if (image.isNull() || (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32))
        return;
    // The drawing's own fit, so a jump meets its strokes' end pixels exactly.
    const PointListFit fit(list, width, height);
    if (space == JumpSpace::fitted && !fit.ok) return;
    colour |= 0xFF000000u;
    for (const Jump& j : FindJumps(list)) {
        if (!std::isfinite(j.from.x) || !std::isfinite(j.from.y) || !std::isfinite(j.to.x) ||
            !std::isfinite(j.to.y))
            continue;
        int x0, y0, x1, y1;
        if (space == JumpSpace::fitted) {
            x0 = fit.X(j.from.x), y0 = fit.Y(j.from.y), x1 = fit.X(j.to.x), y1 = fit.Y(j.to.y);
        } else {
            x0 = TruncToInt(j.from.x), y0 = TruncToInt(j.from.y), x1 = TruncToInt(j.to.x),
            y1 = TruncToInt(j.to.y);
        }
        // INT_MIN stands for a position past int's range: not drawable.
        if (x0 == INT_MIN || y0 == INT_MIN || x1 == INT_MIN || y1 == INT_MIN) continue;
        DrawJumpLine(image, x0, y0, x1, y1, background, colour);
    }
}
