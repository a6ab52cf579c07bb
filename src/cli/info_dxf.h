// What `loomveil-cli info` says about a DXF drawing: its version, the
// entities of its ENTITIES section by type, its layers and blocks, and the
// extents the drawing database computes.
#pragma once

#include "cli/batch.h"

#include <string>

namespace cli {

// Loads input as a DXF drawing and describes it: the report is one line, or
// one compact JSON object with json (holding "error" on failure).
Outcome DxfInfo(const Input& input, bool json);

} // namespace cli
