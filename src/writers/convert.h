// Convert Format: the output formats, the file name a conversion writes, and
// one writer run against a chosen path.
#pragma once

#include "model/formats.h"

#include <string_view>

namespace writers {

// The output formats are the format table's rows that have a writer
// (model/formats.h); the save dialog lists them in saveIndex order.
using OutputFormat = FileFormat;

// The save dialog's title.
constexpr const char* kConvertTitle = "Convert File Format";

// By the lower-case extension, or null.
const OutputFormat* FindOutputFormat(std::string_view ext);
// By the dialog's 1-based filter index, or null.
const OutputFormat* OutputFormatAt(int filterIndex);

// The file a conversion writes and its format, from the path the user chose
// and the filter left selected. A name that already ends in one of the
// output extensions (any case) is written in that format; otherwise the
// filter decides. The filter's extension is appended only when the file
// name itself has no '.' (a dot in a folder name does not count). format is
// null when neither names a format, or when the path has no file name.
struct ConvertTarget {
    CString path;
    const OutputFormat* format = nullptr;
};
ConvertTarget ResolveConvertTarget(const CString& chosenPath, int filterIndex);

// The name the save dialog suggests: the current path without the file
// name's extension; empty when the name has none (the dialog then starts
// with no name rather than the opened file's own).
CString SuggestedConvertName(const CString& currentPath);

// Writes doc's pattern in format to path: at the pattern's size when
// mmPerUnit (what one unit of its point list measures) is above 0, fitted to
// the format's fixed span otherwise. doc.m_strFilePath names path only
// while the writer runs: afterwards it is the opened file again.
BOOL WriteOutput(CLoomveilDoc& doc, const OutputFormat& format, const CString& path, double mmPerUnit = 0);

} // namespace writers
