// The curves of SPLINE entities (and spline edges of hatch boundaries).
//
// A spline of degree p has n control points (10/20), optional weights
// (41; a rational spline, flag 4) and n + p + 1 knots (40, non-decreasing).
// Its curve runs over the knot span [t_p, t_n]: for a clamped knot vector
// (p + 1 equal knots at each end) from the first control point to the last;
// for an unclamped (periodic) one, over the part every point of which p + 1
// basis functions share. Points are the weighted sums of the control points
// by the Cox-de Boor basis of order p + 1, divided by the weighted sum of
// the basis.
//
// A spline given by fit points only (11/21) is the cubic through them: its
// knots by chord length, its end tangents the given ones (12/22, 13/23) or,
// where none is given, the direction of the circle through the first (last)
// three points.
#include "dxf/dxf_paint.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

// Fit points beyond this are left out of the interpolation (its cost grows
// with their number).
constexpr int kMaxFitPoints = 1 << 14;

struct Curve {
    int n = 0, p = 0; // control points, degree
    std::vector<double> x, y, w, t;

    // The point at u in [t_p, t_n].
    DxfPlanePoint At(double u) const {
        // The span k with t[k] <= u < t[k + 1], p <= k < n.
        int k = static_cast<int>(std::upper_bound(t.begin() + p, t.begin() + n, u) - t.begin()) - 1;
        k = std::clamp(k, p, n - 1);
        // de Boor in homogeneous coordinates.
        double dx[kMaxSplineDegree + 1], dy[kMaxSplineDegree + 1], dw[kMaxSplineDegree + 1];
        for (int j = 0; j <= p; ++j) {
            const int i = k - p + j;
            dw[j] = w[static_cast<std::size_t>(i)];
            dx[j] = x[static_cast<std::size_t>(i)] * dw[j];
            dy[j] = y[static_cast<std::size_t>(i)] * dw[j];
        }
        for (int r = 1; r <= p; ++r)
            for (int j = p; j >= r; --j) {
                const int i = k - p + j;
                const double den =
                    t[static_cast<std::size_t>(i + p - r + 1)] - t[static_cast<std::size_t>(i)];
                const double a = den == 0 ? 0.0 : (u - t[static_cast<std::size_t>(i)]) / den;
                dx[j] = (1 - a) * dx[j - 1] + a * dx[j];
                dy[j] = (1 - a) * dy[j - 1] + a * dy[j];
                dw[j] = (1 - a) * dw[j - 1] + a * dw[j];
            }
        if (dw[p] == 0) return {NAN, NAN};
        return {dx[p] / dw[p], dy[p] / dw[p]};
    }
};

bool FromControlPoints(const DXFSPLINE& s, Curve& c) {
    const int n = s.nControlPts, p = s.nDegree;
    if (n < 2 || !s.pControlPts || !s.pKnots || p < 1 || p > kMaxSplineDegree || n <= p ||
        s.nKnots != n + p + 1)
        return false;
    c.n = n;
    c.p = p;
    c.x.resize(static_cast<std::size_t>(n));
    c.y.resize(static_cast<std::size_t>(n));
    c.w.assign(static_cast<std::size_t>(n), 1.0);
    for (int i = 0; i < n; ++i) {
        c.x[static_cast<std::size_t>(i)] = s.pControlPts[i].x;
        c.y[static_cast<std::size_t>(i)] = s.pControlPts[i].y;
        if (!std::isfinite(s.pControlPts[i].x) || !std::isfinite(s.pControlPts[i].y)) return false;
        if (s.pWeights) {
            const double w = s.pWeights[i];
            if (!(w > 0) || !std::isfinite(w)) return false;
            c.w[static_cast<std::size_t>(i)] = w;
        }
    }
    c.t.assign(s.pKnots, s.pKnots + s.nKnots);
    for (std::size_t i = 0; i < c.t.size(); ++i)
        if (!std::isfinite(c.t[i]) || (i > 0 && c.t[i] < c.t[i - 1])) return false;
    return c.t[static_cast<std::size_t>(n)] > c.t[static_cast<std::size_t>(p)];
}

// The direction at a of the parabola through a, b and c, by chord length
// (Bessel's end condition). Passed the last three points backwards, it is
// the reverse of the direction at the end.
void EndTangent(const DXFCOORD& a, const DXFCOORD& b, const DXFCOORD& c, double& tx, double& ty) {
    const double l1 = std::hypot(b.x - a.x, b.y - a.y), l2 = std::hypot(c.x - b.x, c.y - b.y), L = l1 + l2;
    if (!(l1 > 0) || !(l2 > 0)) {
        tx = b.x - a.x;
        ty = b.y - a.y;
        return;
    }
    const double ka = -(l1 + L) / (l1 * L), kb = L / (l1 * l2), kc = -l1 / (L * l2);
    tx = ka * a.x + kb * b.x + kc * c.x;
    ty = ka * a.y + kb * b.y + kc * c.y;
}

// The cubic through the fit points, with end derivatives: n + 2 control
// points over the knots 0 (4 times), the inner chord-length parameters,
// 1 (4 times).
bool FromFitPoints(const DXFSPLINE& s, Curve& c) {
    std::vector<DXFCOORD> q;
    for (int i = 0; i < std::min(s.nFitPts, kMaxFitPoints); ++i) {
        const DXFCOORD& f = s.pFitPts[i];
        if (!std::isfinite(f.x) || !std::isfinite(f.y)) return false;
        if (q.empty() || f.x != q.back().x || f.y != q.back().y) q.push_back(f);
    }
    const int m = static_cast<int>(q.size()) - 1; // points 0 .. m
    if (m < 1) return false;
    std::vector<double> u(static_cast<std::size_t>(m) + 1, 0.0);
    double total = 0;
    for (int k = 1; k <= m; ++k) total += std::hypot(q[k].x - q[k - 1].x, q[k].y - q[k - 1].y);
    if (!(total > 0) || !std::isfinite(total)) return false;
    for (int k = 1; k <= m; ++k)
        u[k] = u[k - 1] + std::hypot(q[k].x - q[k - 1].x, q[k].y - q[k - 1].y) / total;
    u[m] = 1;

    // End derivatives: the given tangents (scaled to the curve's length), or
    // estimated from the end points.
    double t0x, t0y, t1x, t1y;
    auto given = [](const DXFCOORD& v) {
        return (v.x != 0 || v.y != 0) && std::isfinite(v.x) && std::isfinite(v.y);
    };
    if (given(s.ptStartTangent)) {
        t0x = s.ptStartTangent.x;
        t0y = s.ptStartTangent.y;
    } else if (m >= 2) {
        EndTangent(q[0], q[1], q[2], t0x, t0y);
    } else {
        t0x = q[1].x - q[0].x;
        t0y = q[1].y - q[0].y;
    }
    if (given(s.ptEndTangent)) {
        t1x = s.ptEndTangent.x;
        t1y = s.ptEndTangent.y;
    } else if (m >= 2) {
        EndTangent(q[m], q[m - 1], q[m - 2], t1x, t1y);
        t1x = -t1x;
        t1y = -t1y;
    } else {
        t1x = q[1].x - q[0].x;
        t1y = q[1].y - q[0].y;
    }
    for (double* v : {&t0x, &t0y}) *v *= total / std::fmax(std::hypot(t0x, t0y), DBL_MIN);
    for (double* v : {&t1x, &t1y}) *v *= total / std::fmax(std::hypot(t1x, t1y), DBL_MIN);

    const int n = m + 3, p = 3;
    c.n = n;
    c.p = p;
    c.t.assign(4, 0.0);
    for (int k = 1; k < m; ++k) c.t.push_back(u[k]);
    c.t.insert(c.t.end(), 4, 1.0);
    c.w.assign(static_cast<std::size_t>(n), 1.0);

    // Rows: P0 = Q0; P1 − P0 = D0·t[4]/3; N(u_k)·P = Q_k; P_{n−1} − P_{n−2}
    // = Dm·(1 − t[n−1])/3; P_{n−1} = Qm. Each row has at most four
    // neighbouring entries: the matrix is solved within that band.
    const std::size_t N = static_cast<std::size_t>(n);
    std::vector<double> A(N * N, 0.0), bx(N, 0.0), by(N, 0.0);
    auto a = [&](std::size_t r, std::size_t col) -> double& { return A[r * N + col]; };
    a(0, 0) = 1;
    bx[0] = q[0].x;
    by[0] = q[0].y;
    a(1, 0) = -1;
    a(1, 1) = 1;
    bx[1] = t0x * c.t[4] / 3;
    by[1] = t0y * c.t[4] / 3;
    for (int k = 1; k < m; ++k) {
        const double uk = u[static_cast<std::size_t>(k)];
        int span = static_cast<int>(std::upper_bound(c.t.begin() + p, c.t.begin() + n, uk) - c.t.begin()) - 1;
        span = std::clamp(span, p, n - 1);
        // The p + 1 basis values at uk.
        double Nb[4] = {1, 0, 0, 0}, left[4], right[4];
        for (int j = 1; j <= p; ++j) {
            left[j] = uk - c.t[static_cast<std::size_t>(span + 1 - j)];
            right[j] = c.t[static_cast<std::size_t>(span + j)] - uk;
            double saved = 0;
            for (int r = 0; r < j; ++r) {
                const double den = right[r + 1] + left[j - r];
                const double tmp = den == 0 ? 0 : Nb[r] / den;
                Nb[r] = saved + right[r + 1] * tmp;
                saved = left[j - r] * tmp;
            }
            Nb[j] = saved;
        }
        const std::size_t row = static_cast<std::size_t>(k) + 1;
        for (int j = 0; j <= p; ++j) a(row, static_cast<std::size_t>(span - p + j)) = Nb[j];
        bx[row] = q[static_cast<std::size_t>(k)].x;
        by[row] = q[static_cast<std::size_t>(k)].y;
    }
    a(N - 2, N - 2) = -1;
    a(N - 2, N - 1) = 1;
    bx[N - 2] = t1x * (1 - c.t[N - 1]) / 3;
    by[N - 2] = t1y * (1 - c.t[N - 1]) / 3;
    a(N - 1, N - 1) = 1;
    bx[N - 1] = q[static_cast<std::size_t>(m)].x;
    by[N - 1] = q[static_cast<std::size_t>(m)].y;
    // Elimination within the band (the collocation matrix needs no pivots).
    constexpr std::size_t kBand = 4;
    for (std::size_t col = 0; col < N; ++col) {
        const double piv = a(col, col);
        if (!(std::fabs(piv) > 1e-300)) return false;
        for (std::size_t r = col + 1; r < std::min(N, col + kBand); ++r) {
            const double f = a(r, col) / piv;
            if (f == 0) continue;
            for (std::size_t k = col; k < std::min(N, col + kBand); ++k) a(r, k) -= f * a(col, k);
            bx[r] -= f * bx[col];
            by[r] -= f * by[col];
        }
    }
    c.x.assign(N, 0.0);
    c.y.assign(N, 0.0);
    for (std::size_t r = N; r-- > 0;) {
        double sx = bx[r], sy = by[r];
        for (std::size_t k = r + 1; k < std::min(N, r + kBand); ++k) {
            sx -= a(r, k) * c.x[k];
            sy -= a(r, k) * c.y[k];
        }
        c.x[r] = sx / a(r, r);
        c.y[r] = sy / a(r, r);
        if (!std::isfinite(c.x[r]) || !std::isfinite(c.y[r])) return false;
    }
    return true;
}

} // namespace

std::vector<DxfPlanePoint> DxfEvaluateSpline(const DXFSPLINE* pSpline, int nSamples) {
    std::vector<DxfPlanePoint> out;
    if (!pSpline || nSamples < 2) return out;
    Curve c;
    const bool ok = pSpline->nControlPts > 0
                        ? FromControlPoints(*pSpline, c)
                        : pSpline->nFitPts > 1 && pSpline->pFitPts && FromFitPoints(*pSpline, c);
    if (!ok) return out;
    const double a = c.t[static_cast<std::size_t>(c.p)], b = c.t[static_cast<std::size_t>(c.n)];
    out.reserve(static_cast<std::size_t>(nSamples));
    for (int j = 0; j < nSamples; ++j) {
        const DxfPlanePoint q = c.At(j + 1 == nSamples ? b : a + (b - a) * j / (nSamples - 1));
        if (std::isfinite(q.x) && std::isfinite(q.y)) out.push_back(q);
    }
    if (out.size() < 2) out.clear();
    return out;
}
