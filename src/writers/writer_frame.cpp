#include "writers/writer_frame.h"

#include "platform/atomic_file.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace writers {

Bounds BoundingPass(const CPointList& list) {
    Bounds b;
    for (const _tagREALPT& p : list) {
        if (IsMarker(p)) continue;
        if (!(p.x > b.minX)) b.minX = p.x;
        if (!(p.y > b.minY)) b.minY = p.y;
        if (!(b.maxX > p.x)) b.maxX = p.x;
        if (!(b.maxY > p.y)) b.maxY = p.y;
        if (b.firstX == FLT_MAX) {
            b.firstX = p.x;
            b.firstY = p.y;
        }
    }
    return b;
}

std::optional<float> SizeKeepingScale(const CLoomveilDoc& doc, double targetMmPerUnit) {
    const double s = doc.m_dWriteMmPerUnit / targetMmPerUnit;
    if (!(doc.m_dWriteMmPerUnit > 0) || !std::isfinite(s)) return std::nullopt;
    return static_cast<float>(s);
}

Output& Output::Text(std::string_view s) {
    while (!s.empty()) {
        const std::size_t n = std::min(s.size(), kCapacity - m_len);
        std::memcpy(m_buf + m_len, s.data(), n);
        m_len += n;
        s.remove_prefix(n);
        if (m_len == kCapacity) Flush();
    }
    return *this;
}

Output& Output::Int(long long v) {
    char* p = Room(24);
    m_len = static_cast<std::size_t>(std::to_chars(p, m_buf + kCapacity, v).ptr - m_buf);
    return *this;
}

char* FormatFixed(char* p, char* end, float v, int decimals) {
    // A float has 24 significant bits and 10^6 = 15625 * 2^6, so v * 10^d
    // (d <= 6) is exact in double, and rounding it to an integer in the
    // current mode (to nearest, ties to even) is what printf does with the
    // exact decimal value. Everything else goes through std::to_chars, which
    // prints exactly what printf prints.
    static constexpr double kScale[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    static constexpr unsigned long long kUnit[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    const double d = v;
    if (decimals < 0 || decimals > 6 || !(std::fabs(d) < 1e12))
        return std::to_chars(p, end, d, std::chars_format::fixed, decimals).ptr;
    const auto n = static_cast<unsigned long long>(std::nearbyint(std::fabs(d) * kScale[decimals]));
    if (std::signbit(d)) *p++ = '-';
    p = std::to_chars(p, end, n / kUnit[decimals]).ptr;
    if (decimals > 0) {
        *p++ = '.';
        unsigned long long frac = n % kUnit[decimals];
        for (int i = decimals - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + frac % 10);
            frac /= 10;
        }
        p += decimals;
    }
    return p;
}

Output& Output::Fixed(float v, int decimals) {
    char* p = Room(kPieceMax);
    m_len = static_cast<std::size_t>(FormatFixed(p, m_buf + kCapacity, v, decimals) - m_buf);
    return *this;
}

Output& Output::Fixed(float v, int decimals, int width) {
    char* p = Room(kPieceMax + static_cast<std::size_t>(width));
    char* end = FormatFixed(p, m_buf + kCapacity, v, decimals);
    const auto len = end - p;
    // '#' only forces the decimal point, which a precision above 0 always
    // has; the width pads the short texts (inf, nan).
    if (len < width) {
        std::memmove(p + (width - len), p, static_cast<std::size_t>(len));
        std::memset(p, ' ', static_cast<std::size_t>(width - len));
        end = p + width;
    }
    m_len = static_cast<std::size_t>(end - m_buf);
    return *this;
}

Output& Output::Bytes(unsigned char b0, unsigned char b1) {
    char* p = Room(2);
    p[0] = static_cast<char>(b0);
    p[1] = static_cast<char>(b1);
    m_len += 2;
    return *this;
}

void Output::Flush() {
    if (m_len == 0) return;
    const std::size_t n = m_len;
    m_len = 0;
    m_ar.Write(m_buf, static_cast<UINT>(n));
}

BOOL RunWriter(CLoomveilDoc& doc, const std::function<Written(Output&)>& body) {
    doc.m_strError.clear();
    AtomicFile file;
    CFileException error;
    if (!file.Open(doc.m_strFilePath, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite, &error)) {
        doc.m_strError = error.What();
        return FALSE;
    }
    try {
        CArchive ar(&file, CArchive::store, 4096);
        Output out(ar);
        if (body(out) == Written::nothing) {
            file.Discard();
            doc.m_strError = "nothing to write: the pattern has no points or no extent";
            return FALSE;
        }
        out.Flush();
        ar.Close();
        file.Commit();
        return TRUE;
    } catch (const CFileException& e) {
        doc.m_strError = e.What();
    } catch (const CArchiveException& e) {
        doc.m_strError = e.What();
    }
    file.Discard();
    return FALSE;
}

} // namespace writers
