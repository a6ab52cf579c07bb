// The B-spline evaluator for SPLINE entities and spline hatch boundaries.
//
// A SPLINE of degree p has n control points and n + p + 1 knots; its
// points are sums of the control points weighted by the Cox-de Boor basis
// of order k = p + 1 over the knots, which are first divided by the last
// knot so that the curve runs for u in [0, 1). The basis is divided by its
// sum (weights, group 41, are not used), in 32-bit floats throughout.
//
// At a given u only the degree-0 basis of the knot span holding u is 1, and
// each higher degree reaches one index further down, so only those k values
// are computed; the others stay exactly 0 as in the full sums.
#include "dxf/dxf_paint.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace {

class CDxfSpline {
public:
    // Takes the spline's control points and knots; false when they cannot
    // be evaluated.
    bool Set(const DXFSPLINE& s) {
        const int n = s.nControlPts, k = s.nDegree + 1;
        if (n < 1 || !s.pControlPts || !s.pKnots || s.nDegree < 1 || s.nDegree > kMaxSplineDegree ||
            s.nKnots != n + k || n < k)
            return false;
        m_n = n;
        m_k = k;
        m_x.resize(static_cast<std::size_t>(n));
        m_y.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const double x = s.pControlPts[i].x, y = s.pControlPts[i].y;
            if (!(std::fabs(x) <= FLT_MAX) || !(std::fabs(y) <= FLT_MAX)) return false;
            m_x[static_cast<std::size_t>(i)] = static_cast<float>(x);
            m_y[static_cast<std::size_t>(i)] = static_cast<float>(y);
        }
        m_t.assign(s.pKnots, s.pKnots + s.nKnots);
        const float last = m_t.back();
        if (!(last > 0.0f) || !std::isfinite(last)) return false;
        for (float& t : m_t) t /= last;
        for (std::size_t i = 0; i < m_t.size(); ++i)
            if (!std::isfinite(m_t[i]) || (i > 0 && m_t[i] < m_t[i - 1])) return false;
        m_basis.assign(static_cast<std::size_t>(n) + 1, 0.0f);
        return true;
    }

    // The point at u; false when no basis function covers u.
    bool At(float u, _tagREALPT2& out) {
        const int n = m_n, k = m_k;
        const float* t = m_t.data();
        float* N = m_basis.data();
        // The span i with t[i] <= u < t[i + 1], among i = 0 .. n.
        const int j = static_cast<int>(std::upper_bound(t, t + n + 2, u) - t);
        if (j == 0 || j == n + 2) return false;
        const int span = j - 1;
        N[span] = 1.0f;
        for (int p = 1; p < k; ++p) {
            for (int i = std::max(0, span - p); i <= std::min(n - 1, span); ++i) {
                const float d1 = t[i + p] - t[i], d2 = t[i + p + 1] - t[i + 1];
                const float a = std::fabs(d1) < FLT_EPSILON ? 0.0f : (u - t[i]) / d1 * N[i];
                const float b = std::fabs(d2) < FLT_EPSILON ? 0.0f : (t[i + p + 1] - u) / d2 * N[i + 1];
                N[i] = a + b;
            }
        }
        const int lo = std::max(0, span - (k - 1)), hi = std::min(n - 1, span);
        float sum = 0.0f;
        for (int i = lo; i <= hi; ++i) sum += N[i];
        bool covered = sum != 0.0f;
        if (std::fabs(sum) < FLT_EPSILON) sum = FLT_EPSILON;
        float x = 0.0f, y = 0.0f;
        for (int i = lo; i <= hi; ++i) {
            const float w = N[i] / sum;
            x += w * m_x[static_cast<std::size_t>(i)];
            y += w * m_y[static_cast<std::size_t>(i)];
        }
        // Clear what this sample set, for the next one.
        for (int i = lo; i <= std::min(n, span); ++i) N[i] = 0.0f;
        out = {x, y};
        return covered;
    }

private:
    int m_n = 0, m_k = 0;
    std::vector<float> m_x, m_y; // control points (their weights are all 1)
    std::vector<float> m_t;      // normalised knots
    std::vector<float> m_basis;  // N_0 .. N_n of one sample
};

} // namespace

std::vector<_tagREALPT2> DxfEvaluateSpline(const DXFSPLINE* pSpline, int nSamples) {
    std::vector<_tagREALPT2> out;
    CDxfSpline spline;
    if (!pSpline || nSamples < 2 || !spline.Set(*pSpline)) return out;
    out.reserve(static_cast<std::size_t>(nSamples));
    for (int j = 0; j < nSamples; ++j) {
        float u = static_cast<float>(j) / static_cast<float>(nSamples - 1);
        if (u == 1.0f) u = 0.9999999f;
        _tagREALPT2 p;
        if (spline.At(u, p)) out.push_back(p);
    }
    if (out.size() < 2) out.clear();
    return out;
}
