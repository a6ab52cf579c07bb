// What `loomveil-cli info` says about a DXF drawing: its version, the
// entities of its ENTITIES section by type, its layers and blocks, and the
// extents the drawing database computes.
#pragma once

#include <QJsonArray>
#include <string>

namespace cli {

// True for a path whose extension is "dxf" (any case).
bool IsDxfPath(const std::string& path);

// Loads path as a DXF drawing and reports it: one line on stdout, or one
// object appended to all with json. A failure is reported as the other
// commands report one (and as an object with "error" under json); returns
// false then.
bool ReportDxfInfo(const std::string& path, bool json, QJsonArray& all);

} // namespace cli
