// Runs one writer on a given point list in a temporary folder.
#pragma once

#include "test_support.h"

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

inline WriteRun WriteList(BOOL (CLoomveilDoc::*writer)(), const std::vector<_tagREALPT>& points) {
    TempDir dir;
    CLoomveilDoc doc;
    for (const _tagREALPT& p : points) doc.m_PointList.AddTail(p);
    doc.m_strFilePath = CString(dir.File("out"));
    WriteRun r{(doc.*writer)(), std::filesystem::exists(dir.File("out")), ReadFile(dir.File("out")),
               doc.m_strError};
    if (Entries(dir.path()) != (r.exists ? 1u : 0u)) r.error += " [stray files left]";
    return r;
}

// Lines joined with CR LF, each ended by one.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

} // namespace test
