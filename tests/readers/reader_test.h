// Shared by the reader tests: the model after a read, hostile bytes, and
// little-endian files built in place.
#pragma once

#include "test_support.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace test {

// Markers compare by x alone (their y is never read); points exactly.
inline void ExpectPoints(const std::vector<_tagREALPT>& got, const std::vector<_tagREALPT>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (want[i].x == FLT_MAX) {
            EXPECT_EQ(got[i].x, FLT_MAX) << "entry " << i << " should be a marker";
        } else {
            EXPECT_EQ(got[i].x, want[i].x) << "entry " << i;
            EXPECT_EQ(got[i].y, want[i].y) << "entry " << i;
        }
    }
}

// The model after rendering text as a file of type ext, which must succeed.
inline std::vector<_tagREALPT> Read(std::string_view ext, std::string_view bytes) {
    const Rendered r = RenderText(ext, bytes);
    EXPECT_EQ(r.result, 1) << "reading " << ext;
    return r.points;
}

// A missing file fails with a reason; so does an empty one.
inline void ExpectMissingAndEmptyFail(std::string_view ext) {
    CLoomveilDoc doc;
    TempDir dir;
    EXPECT_EQ(RenderPath(doc, dir.File("gone." + std::string(ext))).result, 0);
    EXPECT_FALSE(doc.m_strError.empty());
    EXPECT_EQ(RenderText(ext, "").result, 0);
}

// Bytes that are no pattern at all.
inline std::string Garbage(std::size_t n, unsigned seed) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>((i * 7919 + seed * 104729) % 251);
    return s;
}

// A little-endian file under construction.
struct LeBytes {
    std::string bytes;
    LeBytes& Text(std::string_view s) {
        bytes += s;
        return *this;
    }
    LeBytes& U8(std::uint8_t v) {
        bytes += static_cast<char>(v);
        return *this;
    }
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
    LeBytes& Zeros(std::size_t n) {
        bytes.append(n, '\0');
        return *this;
    }
};

} // namespace test
