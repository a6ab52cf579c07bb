// One schema for what `loomveil-cli info` says about a file of any format,
// and its two presentations: a short line (more lines with -v) and a JSON
// object.
#pragma once

#include "cli/info_dxf.h"

#include <QJsonObject>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Box {
    double minX, minY, maxX, maxY;
};

struct InfoReport {
    std::string file;   // as given
    std::string format; // the format's name
    std::size_t points = 0;
    std::size_t strokes = 0;
    std::optional<Box> bbox;          // in the file's own coordinates, y as the file has it
    std::string unit;                 // what one unit measures, empty when not known
    double mmPerUnit = 0;             // 0: not known
    std::vector<std::string> colours; // "#rrggbb" of the strokes, where the format has them
    double seconds = 0;
    std::optional<DxfSummary> dxf;
};

// "NAME: FORMAT, N points, M strokes, box ..., read in T s"; with verbose,
// a DXF drawing's entity types, layers and blocks on indented lines after.
std::string InfoText(const InfoReport& r, bool verbose);
QJsonObject InfoJson(const InfoReport& r);
// The object of a file that could not be read.
QJsonObject InfoErrorJson(const std::string& file, const std::string& format, const std::string& error);

// "%g" with -0 written as 0.
std::string Number(double v);
// "1 stroke", "2 strokes".
std::string Count(std::size_t n, const char* singular, const char* plural);

} // namespace cli
