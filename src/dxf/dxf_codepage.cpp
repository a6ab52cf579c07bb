// Decoding DXF text: the code page of the drawing and the escapes of
// characters outside it.
#include "dxf/dxf_codepage.h"

#include <QStringDecoder>
#include <cctype>
#include <charconv>
#include <map>
#include <memory>

namespace {

// Windows 1252 for 0x80..0x9F (0 where the code page has no character: the
// byte then stands for itself).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// \M+n code page numbers.
constexpr unsigned kMultiBytePages[] = {0, 932, 950, 949, 1361, 936};

const char* DecoderName(unsigned page) {
    switch (page) {
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 1361:
        return "x-johab";
    default:
        return nullptr;
    }
}

void AppendCp1252(std::u32string& out, std::string_view s) {
    for (const char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        const char16_t c = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
        out.push_back(c ? c : b);
    }
}

// UTF-8, with any byte that does not start a well-formed sequence taken as
// Windows 1252.
void AppendUtf8(std::u32string& out, std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int n = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
        if (b < 0x80 || n == 0 || i + static_cast<std::size_t>(n) >= s.size()) {
            if (b < 0x80)
                out.push_back(b);
            else
                AppendCp1252(out, s.substr(i, 1));
            ++i;
            continue;
        }
        char32_t c = b & (0x3F >> n);
        bool ok = true;
        for (int k = 1; k <= n && ok; ++k) {
            const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            AppendCp1252(out, s.substr(i, 1));
            ++i;
            continue;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(n) + 1;
    }
}

void AppendWithDecoder(std::u32string& out, std::string_view s, unsigned page) {
    static std::map<unsigned, std::unique_ptr<QStringDecoder>> decoders;
    auto& d = decoders[page];
    if (!d) {
        const char* name = DecoderName(page);
        const std::string windows = "windows-" + std::to_string(page);
        d = std::make_unique<QStringDecoder>(name ? name : windows.c_str());
    }
    if (!d->isValid()) return AppendCp1252(out, s);
    d->resetState();
    const QString text = d->decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    for (const char32_t c : text.toStdU32String()) out.push_back(c);
}

void AppendRun(std::u32string& out, std::string_view s, unsigned page) {
    if (s.empty()) return;
    bool ascii = true;
    for (const char c : s) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        out.append(s.begin(), s.end());
    } else if (page == kDxfUtf8) {
        AppendUtf8(out, s);
    } else if (page == 1252 || page == 0) {
        AppendCp1252(out, s);
    } else {
        AppendWithDecoder(out, s, page);
    }
}

bool Hex(std::string_view s, unsigned& value) {
    if (s.size() != 4) return false;
    for (const char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return std::from_chars(s.data(), s.data() + 4, value, 16).ec == std::errc();
}

} // namespace

unsigned DxfCodePage(std::string_view dwgCodePage, std::string_view acadVer) {
    // AC1021 is R2007.
    if (acadVer.size() >= 6 && acadVer.substr(0, 2) == "AC" && acadVer.substr(2) >= "1021") return kDxfUtf8;
    std::string name;
    for (const char c : dwgCodePage)
        name.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    for (const std::string_view prefix : {"ansi_", "dos", "iso8859-"}) {
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        unsigned page = 0;
        const char* first = name.data() + prefix.size();
        if (std::from_chars(first, name.data() + name.size(), page).ec != std::errc()) break;
        if (prefix == "iso8859-") return page == 1 ? 1252 : 28590 + page;
        return page;
    }
    return 1252;
}

std::u32string DxfDecodeText(std::string_view raw, unsigned codePage) {
    std::u32string out;
    out.reserve(raw.size());
    std::size_t runStart = 0;
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) {
        if (raw[i] != '\\') continue;
        if (raw[i + 1] == '\\') { // an escaped backslash
            ++i;
            continue;
        }
        unsigned value = 0;
        if (raw.compare(i + 1, 2, "U+") == 0 && Hex(raw.substr(i + 3, 4), value)) {
            AppendRun(out, raw.substr(runStart, i - runStart), codePage);
            out.push_back(value);
            runStart = i + 7;
            i += 6;
        } else if (raw.compare(i + 1, 2, "M+") == 0 && i + 3 < raw.size() && raw[i + 3] >= '1' &&
                   raw[i + 3] <= '5' && Hex(raw.substr(i + 4, 4), value)) {
            AppendRun(out, raw.substr(runStart, i - runStart), codePage);
            const char bytes[2] = {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
            AppendWithDecoder(out, std::string_view(bytes, 2), kMultiBytePages[raw[i + 3] - '0']);
            runStart = i + 8;
            i += 7;
        }
    }
    AppendRun(out, raw.substr(runStart), codePage);
    return out;
}
