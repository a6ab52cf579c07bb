// Reading the inline codes of MTEXT (dxf_mtext.h).
#include "dxf/dxf_mtext.h"

#include <cmath>
#include <string>

namespace {

// Groups nest at most this deep; deeper braces are taken as text.
constexpr std::size_t kMaxGroupDepth = 64;

std::string Narrow(std::u32string_view s) {
    std::string out;
    for (const char32_t c : s) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

// A number at the start of s (as atof reads it); false when there is none.
bool Number(std::u32string_view s, double& value) {
    const std::string n = Narrow(s.substr(0, 32));
    char* end = nullptr;
    value = std::strtod(n.c_str(), &end);
    return end != n.c_str() && std::isfinite(value);
}

// An argument ending at ';' (or the end of the text) from text[i]; i moves
// past the ';'.
std::u32string_view Argument(std::u32string_view text, std::size_t& i) {
    const std::size_t end = text.find(U';', i);
    const std::u32string_view arg = text.substr(i, end == std::u32string_view::npos ? end : end - i);
    i = end == std::u32string_view::npos ? text.size() : end + 1;
    return arg;
}

// \H, \W and \T: an absolute value, or with a trailing x relative to the
// current one. Values that are not positive are ignored.
void Scale(std::u32string_view arg, double& value) {
    double v;
    if (!Number(arg, v) || !(v > 0)) return;
    value = !arg.empty() && (arg.back() == U'x' || arg.back() == U'X') ? value * v : v;
    if (!(value < 1e12)) value = 1e12;
}

// \f and \F: "name|b1|i0|c0|p34".
void SetFont(std::u32string_view arg, bool file, DxfMTextFormat& f) {
    const std::size_t bar = arg.find(U'|');
    const std::string name = Narrow(arg.substr(0, bar));
    bool bold = false, italic = false;
    for (std::size_t i = bar; i != std::u32string_view::npos && i + 2 < arg.size();
         i = arg.find(U'|', i + 1)) {
        if (arg[i + 1] == U'b') bold = arg[i + 2] == U'1';
        if (arg[i + 1] == U'i') italic = arg[i + 2] == U'1';
    }
    if (name.empty()) return;
    f.font = file ? &DxfFontForFile(name) : &DxfFontForFamily(name, bold, italic);
}

// \S: up and down split at the first unescaped ^, / or #; "\;" is a ';'.
void AddStack(std::u32string_view arg, const DxfMTextFormat& f, std::vector<DxfMTextItem>& out) {
    DxfMTextItem item{DxfMTextItem::Stack, 0, {}, {}, f};
    std::u32string* part = &item.up;
    for (std::size_t i = 0; i < arg.size(); ++i) {
        char32_t c = arg[i];
        if (c == U'\\' && i + 1 < arg.size()) {
            c = arg[++i];
        } else if (part == &item.up && (c == U'^' || c == U'/' || c == U'#')) {
            item.c = c;
            part = &item.down;
            continue;
        }
        part->push_back(c);
    }
    if (!item.c) { // nothing to stack: plain text
        for (const char32_t c : item.up) out.push_back({DxfMTextItem::Char, c, {}, {}, f});
        return;
    }
    // "1^ 2": a space after ^ only separates.
    if (item.c == U'^' && !item.down.empty() && item.down.front() == U' ') item.down.erase(0, 1);
    out.push_back(std::move(item));
}

} // namespace

std::size_t DxfPercentCode(std::u32string_view text, std::size_t i, char32_t& c) {
    if (i + 2 >= text.size() || text[i] != U'%' || text[i + 1] != U'%') return 0;
    switch (text[i + 2]) {
    case U'c':
    case U'C':
        c = 0xD8; // Ø, the diameter sign
        return 3;
    case U'd':
    case U'D':
        c = 0xB0;
        return 3;
    case U'p':
    case U'P':
        c = 0xB1;
        return 3;
    case U'%':
        c = U'%';
        return 3;
    case U'o':
    case U'O':
    case U'u':
    case U'U':
    case U'k':
    case U'K':
        c = 0;
        return 3;
    default:
        break;
    }
    // %%nnn: the character of that code.
    std::size_t n = 0;
    char32_t code = 0;
    while (n < 3 && i + 2 + n < text.size() && text[i + 2 + n] >= U'0' && text[i + 2 + n] <= U'9')
        code = code * 10 + (text[i + 2 + n++] - U'0');
    if (n != 3) return 0;
    c = code;
    return 5;
}

std::vector<DxfMTextItem> DxfParseMText(std::u32string_view text, const DxfMTextFormat& base) {
    std::vector<DxfMTextItem> out;
    std::vector<DxfMTextFormat> stack{base};
    auto add = [&](DxfMTextItem::Kind kind, char32_t c = 0) {
        out.push_back({kind, c, {}, {}, stack.back()});
    };
    for (std::size_t i = 0; i < text.size();) {
        DxfMTextFormat& f = stack.back();
        const char32_t c = text[i];
        if (c == U'{' && stack.size() < kMaxGroupDepth) {
            stack.push_back(f);
            ++i;
            continue;
        }
        if (c == U'}' && stack.size() > 1) {
            stack.pop_back();
            ++i;
            continue;
        }
        if (c == U'^' && i + 1 < text.size()) {
            const char32_t k = text[i + 1];
            i += 2;
            if (k == U'I')
                add(DxfMTextItem::Tab);
            else if (k == U'J')
                add(DxfMTextItem::Paragraph);
            else if (k == U' ')
                add(DxfMTextItem::Char, U'^');
            continue;
        }
        if (c == U'%') {
            char32_t p = 0;
            if (const std::size_t n = DxfPercentCode(text, i, p)) {
                if (p) add(DxfMTextItem::Char, p);
                i += n;
                continue;
            }
        }
        if (c == U'\n') {
            add(DxfMTextItem::Paragraph);
            ++i;
            continue;
        }
        if (c != U'\\' || i + 1 >= text.size()) {
            if (c == U' ')
                add(DxfMTextItem::Space);
            else if (c == U'\t')
                add(DxfMTextItem::Tab);
            else if (c >= 0x20)
                add(DxfMTextItem::Char, c);
            ++i;
            continue;
        }
        const char32_t code = text[i + 1];
        i += 2;
        switch (code) {
        case U'P':
        case U'N':
        case U'X':
            add(DxfMTextItem::Paragraph);
            break;
        case U'~':
            add(DxfMTextItem::Char, 0xA0);
            break;
        case U'\\':
        case U'{':
        case U'}':
            add(DxfMTextItem::Char, code);
            break;
        case U'L':
        case U'l':
            f.underline = code == U'L';
            break;
        case U'O':
        case U'o':
            f.overline = code == U'O';
            break;
        case U'K':
        case U'k':
            f.strike = code == U'K';
            break;
        case U'f':
        case U'F':
            SetFont(Argument(text, i), code == U'F', f);
            break;
        case U'H':
            Scale(Argument(text, i), f.height);
            break;
        case U'W':
            Scale(Argument(text, i), f.width);
            break;
        case U'T':
            Scale(Argument(text, i), f.tracking);
            break;
        case U'Q': {
            double q;
            if (Number(Argument(text, i), q) && std::fabs(q) < 85) f.oblique = q;
            break;
        }
        case U'C':
        case U'c': {
            double n;
            if (Number(Argument(text, i), n) && n >= 0) {
                if (code == U'C') {
                    f.colour = n >= 1 && n <= 255 ? static_cast<int>(n) : -1;
                    f.rgb = -1;
                } else if (n <= 0xFFFFFF) {
                    f.rgb = static_cast<long>(n);
                }
            }
            break;
        }
        case U'S': {
            // The stack's text runs to the first ';' that is not escaped.
            std::size_t end = i;
            while (end < text.size() && text[end] != U';') end += text[end] == U'\\' ? 2 : 1;
            AddStack(text.substr(i, std::min(end, text.size()) - i), f, out);
            i = std::min(end + 1, text.size());
            break;
        }
        case U'p': {
            const std::u32string_view arg = Argument(text, i);
            const std::size_t q = arg.find(U'q');
            if (q != std::u32string_view::npos && q + 1 < arg.size()) {
                const char32_t a = arg[q + 1];
                f.align = a == U'c' ? 1 : a == U'r' ? 2 : a == U'l' || a == U'j' || a == U'd' ? 0 : f.align;
            }
            break;
        }
        case U'A':
            Argument(text, i);
            break;
        default:
            break; // an unknown code: its letter is passed over
        }
    }
    return out;
}
