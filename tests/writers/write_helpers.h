// Runs one writer on a given point list in a temporary folder.
#pragma once

#include "test_support.h"

#include <algorithm>
#include <cfloat>
#include <filesystem>
#include <string>
#include <vector>

namespace test {

constexpr _tagREALPT kM = kBreak;

inline std::size_t Entries(const std::filesystem::path& dir) {
    const std::filesystem::directory_iterator entries(dir);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

struct WriteRun {
    BOOL ok = FALSE;
    bool exists = false; // the target exists afterwards
    std::string bytes;
    std::string error; // also notes files left beside the target
};

// With mmPerUnit above 0 the writer keeps the pattern's size.
inline WriteRun WriteList(BOOL (CLoomveilDoc::*writer)(), const std::vector<_tagREALPT>& points,
                          double mmPerUnit = 0) {
    TempDir dir;
    CLoomveilDoc doc;
    doc.m_dWriteMmPerUnit = mmPerUnit;
    for (const _tagREALPT& p : points) doc.m_PointList.AddTail(p);
    doc.m_strFilePath = CString(dir.File("out"));
    WriteRun r{(doc.*writer)(), std::filesystem::exists(dir.File("out")), ReadFile(dir.File("out")),
               doc.m_strError};
    if (Entries(dir.path()) != (r.exists ? 1u : 0u)) r.error += " [stray files left]";
    return r;
}

using Strokes = std::vector<std::vector<_tagREALPT>>;

// The runs of points between markers, empty runs left out.
inline Strokes SplitStrokes(const std::vector<_tagREALPT>& list) {
    Strokes out(1);
    for (const _tagREALPT& p : list) {
        if (p.x != FLT_MAX)
            out.back().push_back(p);
        else if (!out.back().empty())
            out.emplace_back();
    }
    if (out.back().empty()) out.pop_back();
    return out;
}

struct Box {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    double Span() const { return std::max(maxX - minX, maxY - minY); }
};
inline Box BoxOf(const Strokes& strokes) {
    Box b;
    for (const auto& stroke : strokes)
        for (const _tagREALPT& p : stroke) {
            b.minX = std::min<double>(b.minX, p.x), b.maxX = std::max<double>(b.maxX, p.x);
            b.minY = std::min<double>(b.minY, p.y), b.maxY = std::max<double>(b.maxY, p.y);
        }
    return b;
}

// Lines joined with CR LF, each ended by one.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

} // namespace test
