// Runs one writer on a given point list in a temporary folder.
#pragma once

#include "test_support.h"

#include <filesystem>
#include <string>
#include <vector>

namespace test {

constexpr _tagREALPT kM = kBreak;

struct WriteRun {
    BOOL ok = FALSE;
    bool exists = false; // the target exists afterwards
    std::string bytes;
    std::string error;
};

inline WriteRun WriteList(BOOL (CLoomveilDoc::*writer)(), const std::vector<_tagREALPT>& points) {
    TempDir dir;
    CLoomveilDoc doc;
    for (const _tagREALPT& p : points) doc.m_PointList.AddTail(p);
    doc.m_strFilePath = CString(dir.File("out"));
    WriteRun r;
    r.ok = (doc.*writer)();
    r.exists = std::filesystem::exists(dir.File("out"));
    r.bytes = ReadFile(dir.File("out"));
    r.error = doc.m_strError;
    // Nothing else may be left in the folder.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    if (entries != (r.exists ? 1u : 0u)) r.error += " [stray files left]";
    return r;
}

// Lines joined with CR LF, each ended by one.
inline std::string Lines(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

} // namespace test
