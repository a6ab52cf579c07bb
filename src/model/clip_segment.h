// Cutting a line segment to a rectangle (Liang–Barsky).
#pragma once

#include <algorithm>
#include <cmath>

// Cuts the segment (x0, y0)–(x1, y1) to the box, edges included; the
// parameters of the kept part (0 at the start, 1 at the end) go to t0, t1.
// False when nothing of it is inside, or an end is not a finite number.
inline bool ClipSegment(double x0, double y0, double x1, double y1, double left, double top, double right,
                        double bottom, double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return false;
    const double dx = x1 - x0, dy = y1 - y0;
    auto edge = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    return edge(-dx, x0 - left) && edge(dx, right - x0) && edge(-dy, y0 - top) && edge(dy, bottom - y0);
}
