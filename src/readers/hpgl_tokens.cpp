#include "readers/hpgl_tokens.h"

#include "model/formats.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>

namespace {

constexpr char kEsc = '\x1B';

constexpr bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr char Upper(char c) {
    return c >= 'a' ? static_cast<char>(c - 32) : c;
}

// A number at s[pos]: optional sign, digits with an optional point, an
// optional exponent. Returns the characters used, 0 when there are no
// digits.
std::size_t ParseNumber(std::string_view s, std::size_t pos, double& v) {
    std::size_t i = pos;
    const bool negative = s[i] == '-';
    if (s[i] == '-' || s[i] == '+') ++i;
    const std::size_t digitsAt = i;
    std::uint64_t whole = 0;
    while (i < s.size() && IsDigit(s[i]) && i - digitsAt < 18)
        whole = whole * 10 + static_cast<unsigned>(s[i++] - '0');
    const bool simple =
        i > digitsAt && (i >= s.size() || (!IsDigit(s[i]) && s[i] != '.' && s[i] != 'e' && s[i] != 'E'));
    if (simple) {
        v = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
        return i - pos;
    }
    // The general form: find its end, then convert it exactly.
    i = digitsAt;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t e = i + 1;
        if (s[e] == '+' || s[e] == '-') ++e;
        if (e < s.size() && IsDigit(s[e])) {
            i = e;
            while (i < s.size() && IsDigit(s[i])) ++i;
        }
    }
    double d = 0;
    const std::string_view text = s.substr(digitsAt, i - digitsAt);
    if (std::from_chars(text.data(), text.data() + text.size(), d).ec == std::errc::result_out_of_range) {
        // Too small becomes 0, too large the largest double.
        const std::size_t e = text.find_first_of("eE");
        d = e != std::string_view::npos && text[e + 1] == '-' ? 0.0 : std::numeric_limits<double>::max();
    }
    v = negative ? -d : d;
    return i - pos;
}

// Skips a string in double quotes starting at s[pos]; returns the position
// after it.
std::size_t SkipQuoted(std::string_view s, std::size_t pos) {
    const std::size_t close = s.find('"', pos + 1);
    return close == std::string_view::npos ? s.size() : close + 1;
}

} // namespace

bool HpglTokenizer::Next(char& c0, char& c1) {
    if (m_inParams) SkipParameters();
    m_text = {};
    while (m_pos < m_s.size()) {
        if (m_pcl) {
            SkipPcl();
            continue;
        }
        const char c = m_s[m_pos];
        if (c == kEsc) {
            SkipEscape();
            continue;
        }
        if (IsLetter(c) && m_pos + 1 < m_s.size() && IsLetter(m_s[m_pos + 1])) {
            c0 = Upper(c);
            c1 = Upper(m_s[m_pos + 1]);
            m_pos += 2;
            ReadText(c0, c1);
            return true;
        }
        ++m_pos; // ';', blanks, line ends and stray bytes
    }
    return false;
}

void HpglTokenizer::ReadText(char c0, char c1) {
    const std::size_t at = m_pos;
    const std::string_view rest = m_s.substr(at);
    if ((c0 == 'L' && c1 == 'B') || (c0 == 'W' && c1 == 'D') || (c0 == 'B' && c1 == 'L')) {
        const std::size_t end = rest.find(m_terminator);
        m_text = rest.substr(0, end);
        m_pos = end == std::string_view::npos ? m_s.size() : at + end + 1;
    } else if (c0 == 'C' && c1 == 'O') {
        std::size_t i = 0;
        while (i < rest.size() && rest[i] == ' ') ++i;
        std::size_t end;
        if (i < rest.size() && rest[i] == '"') {
            end = SkipQuoted(rest, i);
            m_text = rest.substr(i, end - i);
        } else {
            end = rest.find(';');
            end = end == std::string_view::npos ? rest.size() : end + 1;
            m_text = rest.substr(0, end);
        }
        m_pos = at + end;
    } else if (c0 == 'S' && c1 == 'M') {
        // "SM;" ends symbol mode; "SM*" plots '*' at each point.
        if (!rest.empty() && rest[0] != ';') {
            m_text = rest.substr(0, 1);
            ++m_pos;
        }
    } else if (c0 == 'D' && c1 == 'T') {
        // Any character but NUL, LF, ESC and ';' can end labels.
        if (!rest.empty() && rest[0] != ';' && rest[0] != '\0' && rest[0] != '\n' && rest[0] != kEsc) {
            m_text = rest.substr(0, 1);
            m_terminator = rest[0];
            ++m_pos;
        } else {
            m_terminator = '\x03';
        }
        m_inParams = true;
        m_afterComma = false;
    } else if (c0 == 'P' && c1 == 'E') {
        const std::size_t used = DecodePolylineEncoded(rest, [](const EncodedItem&) {});
        m_text = rest.substr(0, used);
        m_pos = at + used;
    } else {
        if ((c0 == 'I' && c1 == 'N') || (c0 == 'D' && c1 == 'F')) m_terminator = '\x03';
        m_inParams = true;
        m_afterComma = false;
    }
}

bool HpglTokenizer::NextNumber(double& v) {
    while (m_inParams && m_pos < m_s.size()) {
        const char c = m_s[m_pos];
        if (c == ',' || c == ' ' || c == '\t' || c == '\r') {
            if (c == ',') m_afterComma = true;
            ++m_pos;
            continue;
        }
        if (c == ';' || (c == '\n' && !m_afterComma)) {
            ++m_pos;
            break;
        }
        if (c == '\n') {
            ++m_pos;
            continue;
        }
        if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
            const std::size_t n = ParseNumber(m_s, m_pos, v);
            if (n == 0) {
                ++m_pos; // a sign or point without digits
                continue;
            }
            m_pos += n;
            m_afterComma = false;
            return true;
        }
        if (c == '"') {
            m_pos = SkipQuoted(m_s, m_pos);
            continue;
        }
        break; // a letter, an escape or a stray byte ends the parameters
    }
    m_inParams = false;
    return false;
}

void HpglTokenizer::SkipParameters() {
    double ignored;
    while (NextNumber(ignored)) {
    }
}

void HpglTokenizer::SkipEscape() {
    const std::size_t n = m_s.size();
    std::size_t i = m_pos + 1;
    if (i >= n) {
        m_pos = n;
        return;
    }
    const char c = m_s[i++];
    if (c == '.') {
        // Device control: ESC . x, parameters separated by ';' and ended by
        // ':' for the ones that take any.
        if (i < n) ++i;
        std::size_t j = i;
        while (j < n && (IsDigit(m_s[j]) || m_s[j] == ';' || m_s[j] == ',' || m_s[j] == ' ')) ++j;
        m_pos = j < n && m_s[j] == ':' ? j + 1 : i;
        return;
    }
    if (c == 'E') {
        m_pcl = true; // reset: PCL until HP-GL/2 is entered again
        m_pos = i;
        return;
    }
    if (c >= 33 && c <= 47) {
        // A parameterised PCL sequence: ESC c g [value letter]…, lower-case
        // letters chaining further values, an upper-case letter ending it.
        // ESC % has no group character.
        if (c != '%' && i < n) ++i;
        for (;;) {
            std::size_t j = i;
            if (j < n && (m_s[j] == '-' || m_s[j] == '+')) ++j;
            std::uint64_t value = 0;
            while (j < n && (IsDigit(m_s[j]) || m_s[j] == '.')) {
                if (IsDigit(m_s[j]) && value < (1ULL << 40))
                    value = value * 10 + static_cast<unsigned>(m_s[j] - '0');
                ++j;
            }
            if (j >= n) {
                m_pos = n;
                return;
            }
            const char letter = m_s[j];
            i = j + 1;
            if (c == '%') {
                if (letter == 'B')
                    m_pcl = false;
                else if (letter == 'A' || letter == 'X')
                    m_pcl = true;
                m_pos = i;
                return;
            }
            // Sequences ending in W (and transparent print data, ESC & p n X)
            // carry n bytes of data.
            if (letter == 'W' || letter == 'w' || (c == '&' && letter == 'X')) {
                i = value < n - i ? i + value : n;
                if (letter == 'w') continue;
                break;
            }
            if (letter >= 'a' && letter <= 'z') continue;
            break;
        }
        m_pos = i;
        return;
    }
    m_pos = i; // a two-character sequence
}

void HpglTokenizer::SkipPcl() {
    const std::size_t next = m_s.find_first_of("\x1B@", m_pos);
    if (next == std::string_view::npos) {
        m_pos = m_s.size();
        return;
    }
    m_pos = next;
    if (m_s[next] == kEsc) {
        SkipEscape();
        return;
    }
    // A PJL line: "@PJL ENTER LANGUAGE = HPGL2" switches to HP-GL.
    std::size_t end = m_s.find('\n', next);
    if (end == std::string_view::npos) end = m_s.size();
    const std::string_view line = m_s.substr(next, end - next);
    if (line.starts_with("@PJL") && line.find("ENTER") != std::string_view::npos &&
        line.find("HPGL") != std::string_view::npos)
        m_pcl = false;
    m_pos = end;
}

bool IsUtf8Encoded(std::string_view data) {
    // C2 BF and C3 BF are also two last digits (3 and 4, then 0): only a
    // pair ending below BF tells.
    bool telling = false;
    for (std::size_t i = 0; i < data.size() && data[i] != ';'; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c > 32 && c < 63 && c != ':' && c != '<' && c != '>' && c != '=' && c != '7')
            break; // past the data
        if (c < 0x80) continue;
        if ((c != 0xC2 && c != 0xC3) || i + 1 >= data.size()) return false;
        const unsigned char next = static_cast<unsigned char>(data[++i]);
        if (next < 0x80 || next > 0xBF) return false;
        telling = telling || next < 0xBF;
    }
    return telling;
}

bool LooksLikeHpgl(std::string_view head) {
    // Statements that set up or draw; a text file seldom opens with three.
    static constexpr std::string_view kOpening[] = {
        "IN", "DF", "SP", "PU", "PD", "PA", "PR", "IP", "IR", "SC", "PS", "BP", "RO", "CO", "LT",
        "PW", "PE", "SI", "SR", "DT", "CS", "LA", "NP", "PC", "MC", "TR", "WU", "PG", "VS"};
    HpglTokenizer tokens(head.substr(0, 4096));
    int seen = 0;
    char m[2];
    while (seen < 3 && tokens.Next(m[0], m[1])) {
        if (std::find(std::begin(kOpening), std::end(kOpening), std::string_view(m, 2)) == std::end(kOpening))
            return false;
        ++seen;
    }
    return seen > 0;
}

bool SniffHpgl(std::span<const unsigned char> head) {
    return LooksLikeHpgl(std::string_view(reinterpret_cast<const char*>(head.data()), head.size()));
}
