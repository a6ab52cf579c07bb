// Text scanning with the acceptance of the C library's scanf conversions,
// locale-free and fast (std::from_chars underneath).
//
// Each reader spells its scanf format as a chain of calls, e.g. "%f,%f" is
//     Scanner s(line); s.Float(x) && s.Literal(',') && s.Float(y)
// with these rules, which are scanf's:
//  - Float (%f), Int (%d) and Word (%Ns) skip leading white space; Char (%c)
//    and Literal (a plain format character) do not.
//  - Space() stands for white space in the format: it skips any amount,
//    including none.
//  - A failed call consumes nothing further; the caller counts the fields it
//    got, as scanf's result does.
#pragma once

#include <cstddef>
#include <string_view>

// White space as isspace() sees it in the "C" locale.
constexpr bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Parses a %f number at the start of s (no white space skipped): optional
// sign, decimal digits with optional point and exponent, "inf", "infinity",
// "nan", "nan(...)", or a hexadecimal float. Values beyond float's range
// become ±infinity or zero, as strtof gives them. Returns the characters
// used, 0 when s does not start with a number.
std::size_t ParseFloatPrefix(std::string_view s, float& out);
std::size_t ParseDoublePrefix(std::string_view s, double& out);
// As ParseFloatPrefix, with a shortcut for a plain decimal integer of up to
// 18 digits (the usual plotter coordinate): its exact value converts to the
// nearest float just as strtof rounds it, so the result is the same.
std::size_t ParseFloatPrefixQuick(std::string_view s, float& out);
// Parses a %d number at the start of s: optional sign and decimal digits.
// Values beyond int's range saturate.
std::size_t ParseIntPrefix(std::string_view s, int& out);

class Scanner {
public:
    explicit Scanner(std::string_view s) : m_s(s) {}

    bool Float(float& v) {
        SkipSpaceNoCount();
        const std::size_t n = ParseFloatPrefix(m_s.substr(m_pos), v);
        m_pos += n;
        return n != 0;
    }
    // Float, faster on integers (ParseFloatPrefixQuick).
    bool QuickFloat(float& v) {
        SkipSpaceNoCount();
        const std::size_t n = ParseFloatPrefixQuick(m_s.substr(m_pos), v);
        m_pos += n;
        return n != 0;
    }
    bool Double(double& v) {
        SkipSpaceNoCount();
        const std::size_t n = ParseDoublePrefix(m_s.substr(m_pos), v);
        m_pos += n;
        return n != 0;
    }
    bool Int(int& v) {
        SkipSpaceNoCount();
        const std::size_t n = ParseIntPrefix(m_s.substr(m_pos), v);
        m_pos += n;
        return n != 0;
    }
    // %c: exactly one character, white space included.
    bool Char(char& c) {
        if (m_pos >= m_s.size()) return false;
        c = m_s[m_pos++];
        return true;
    }
    // A plain format character: must be the next character.
    bool Literal(char c) {
        if (m_pos >= m_s.size() || m_s[m_pos] != c) return false;
        ++m_pos;
        return true;
    }
    // %Ns: one to maxWidth characters that are not white space.
    bool Word(std::size_t maxWidth, std::string_view* out = nullptr) {
        SkipSpaceNoCount();
        const std::size_t start = m_pos;
        while (m_pos < m_s.size() && m_pos - start < maxWidth && !IsScanSpace(m_s[m_pos])) ++m_pos;
        if (out) *out = m_s.substr(start, m_pos - start);
        return m_pos > start;
    }
    // White space in the format.
    void Space() { SkipSpaceNoCount(); }

    std::size_t Position() const { return m_pos; }
    std::string_view Rest() const { return m_s.substr(m_pos); }

private:
    void SkipSpaceNoCount() {
        while (m_pos < m_s.size() && IsScanSpace(m_s[m_pos])) ++m_pos;
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
};

// The text up to its first NUL byte.
std::string_view UpToNul(std::string_view text);

// Walks a text line by line. Lines end with a line feed, which is not part of
// the line (a carriage return before it is). The text ends at its first NUL
// byte, as a C string does.
class LineCursor {
public:
    explicit LineCursor(std::string_view text);

    // The next line that is ended by a line feed; false when none follows
    // (text after the last line feed is not a line).
    bool Next(std::string_view& line);
    // As Next, but a final line without a line feed also counts.
    bool NextOrLast(std::string_view& line);

    std::size_t Position() const { return m_pos; }
    std::size_t Length() const { return m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};
