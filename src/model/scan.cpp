#include "model/scan.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// For a decimal number from_chars found out of double's range: true when its
// magnitude is huge (→ infinity), false when tiny (→ zero).
bool DecimalIsHuge(std::string_view s) {
    std::size_t i = 0;
    long long intDigits = 0, leadingFracZeros = 0;
    bool seenNonZero = false;
    while (i < s.size() && IsDigit(s[i])) {
        if (s[i] != '0' || seenNonZero) {
            seenNonZero = true;
            ++intDigits;
        }
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            if (!seenNonZero) {
                if (s[i] == '0')
                    ++leadingFracZeros;
                else
                    seenNonZero = true;
            }
            ++i;
        }
    }
    long long exp = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
        while (i < s.size() && IsDigit(s[i])) {
            if (exp < 1'000'000'000) exp = exp * 10 + (s[i] - '0');
            ++i;
        }
        if (neg) exp = -exp;
    }
    const long long magnitude = intDigits > 0 ? intDigits - 1 + exp : exp - leadingFracZeros - 1;
    return magnitude > 0;
}

template <class T>
std::size_t ParseReal(std::string_view s, T& out) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    const char* first = s.data() + i;
    const char* last = s.data() + s.size();
    T v{};
    std::from_chars_result r;
    const bool hex = last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X') &&
                     (IsDigit(first[2]) || (first[2] >= 'a' && first[2] <= 'f') ||
                      (first[2] >= 'A' && first[2] <= 'F') || first[2] == '.');
    if (hex) {
        r = std::from_chars(first + 2, last, v, std::chars_format::hex);
        if (r.ec == std::errc::invalid_argument) { // "0x" alone reads as 0
            r.ptr = first + 1;
            r.ec = std::errc();
            v = 0;
        }
    } else {
        r = std::from_chars(first, last, v, std::chars_format::general);
    }
    if (r.ec == std::errc::invalid_argument) return 0;
    if (r.ec == std::errc::result_out_of_range) {
        if constexpr (std::is_same_v<T, float>) {
            double d = 0;
            const auto rd = std::from_chars(first, r.ptr, d, hex ? std::chars_format::hex : std::chars_format::general);
            if (rd.ec == std::errc())
                v = static_cast<float>(d);
            else
                v = DecimalIsHuge(std::string_view(first, static_cast<std::size_t>(r.ptr - first)))
                        ? std::numeric_limits<float>::infinity()
                        : 0.0f;
        } else {
            v = !hex && DecimalIsHuge(std::string_view(first, static_cast<std::size_t>(r.ptr - first)))
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
        }
    }
    out = neg ? -v : v;
    return static_cast<std::size_t>(r.ptr - s.data());
}

} // namespace

std::size_t ParseFloatPrefix(std::string_view s, float& out) { return ParseReal(s, out); }
std::size_t ParseDoublePrefix(std::string_view s, double& out) { return ParseReal(s, out); }

std::size_t ParseFloatPrefixQuick(std::string_view s, float& out) {
    std::size_t i = 0;
    const bool neg = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) ++i;
    const std::size_t first = i;
    long long v = 0;
    // Eighteen digits always fit in a long long.
    while (i < s.size() && i - first < 18 && IsDigit(s[i])) v = v * 10 + (s[i++] - '0');
    const std::size_t digits = i - first;
    // Anything that could continue the number as a fraction, an exponent, a
    // hexadecimal prefix or a longer integer goes the general way.
    if (digits == 0) return ParseFloatPrefix(s, out);
    if (i < s.size()) {
        const char c = s[i];
        if (IsDigit(c) || c == '.' || c == 'e' || c == 'E' ||
            (digits == 1 && s[first] == '0' && (c == 'x' || c == 'X')))
            return ParseFloatPrefix(s, out);
    }
    const float f = static_cast<float>(v);
    out = neg ? -f : f;
    return i;
}

std::size_t ParseIntPrefix(std::string_view s, int& out) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    const std::size_t digits = i;
    long long v = 0;
    while (i < s.size() && IsDigit(s[i])) {
        if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (s[i] - '0');
        ++i;
    }
    if (i == digits) return 0;
    if (neg) v = -v;
    out = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
    return i;
}

std::string_view UpToNul(std::string_view text) {
    // An empty view may carry a null pointer, which memchr must never see.
    const void* nul = text.empty() ? nullptr : std::memchr(text.data(), 0, text.size());
    return nul ? text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data())) : text;
}

LineCursor::LineCursor(std::string_view text) : m_text(UpToNul(text)) {}

bool LineCursor::Next(std::string_view& line) {
    if (m_pos >= m_text.size()) return false;
    const void* lf = std::memchr(m_text.data() + m_pos, '\n', m_text.size() - m_pos);
    if (!lf) return false;
    const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - m_text.data());
    line = m_text.substr(m_pos, end - m_pos);
    m_pos = end + 1;
    return true;
}

bool LineCursor::NextOrLast(std::string_view& line) {
    if (Next(line)) return true;
    if (m_pos >= m_text.size()) return false;
    line = m_text.substr(m_pos);
    m_pos = m_text.size();
    return true;
}
