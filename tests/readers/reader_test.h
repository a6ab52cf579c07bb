// Shared by the reader tests: the model after a read, refused files, hostile
// bytes, and little-endian files built in place.
#pragma once

#include "test_support.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace test {

// A model as text: "|" for a marker, "x,y" for a point, each number in its
// shortest form ("0.5", "1e+06", "inf"; -0 as 0), separated by blanks.
inline std::string Text(const std::vector<_tagREALPT>& model) {
    std::string s;
    char buf[64];
    for (const _tagREALPT& p : model) {
        if (!s.empty()) s += ' ';
        if (p.x == FLT_MAX) {
            s += '|';
            continue;
        }
        char* end = std::to_chars(buf, buf + 64, p.x == 0 ? 0.0f : p.x).ptr;
        *end++ = ',';
        s.append(buf, std::to_chars(end, buf + 64, p.y == 0 ? 0.0f : p.y).ptr);
    }
    return s;
}

// The model after the reader of ext reads bytes, which it must take.
inline std::vector<_tagREALPT> Read(std::string_view ext, std::string_view bytes) {
    const Rendered r = RenderText(ext, bytes, 200, 200, Via::reader);
    EXPECT_EQ(r.result, 1) << "reading " << ext;
    return r.points;
}

// Each text, read as a file of its type, gives its model.
struct ReadCase {
    const char* ext;
    std::string text;
    std::string model;
};
inline void ExpectModels(const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases)
        EXPECT_EQ(Text(Read(c.ext, c.text)), c.model) << c.ext << ": " << c.text.substr(0, 70);
}

// Renders bytes as a file of type ext that must be refused with nothing
// drawn; the reason the document gives.
inline std::string Refusal(std::string_view ext, std::string_view bytes) {
    TempDir dir;
    CLoomveilDoc doc;
    WriteFile(dir.File("refused." + std::string(ext)), bytes);
    const Rendered r = RenderPath(doc, dir.File("refused." + std::string(ext)));
    EXPECT_EQ(r.result, 0) << ext << ", " << bytes.size() << " bytes";
    EXPECT_EQ(CountNonWhite(r.image), 0) << ext;
    return doc.m_strError;
}

// A little-endian file under construction.
struct LeBytes {
    std::string bytes;
    LeBytes& Text(std::string_view s) { return bytes += s, *this; }
    LeBytes& U8(std::uint8_t v) { return bytes += static_cast<char>(v), *this; }
    LeBytes& Zeros(std::size_t n) { return bytes.append(n, '\0'), *this; }
    LeBytes& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    LeBytes& F32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return U32(bits);
    }
    LeBytes& Point(float x, float y) { return F32(x).F32(y); }
};

} // namespace test
