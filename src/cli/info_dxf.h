// What `loomveil-cli info` learns about a DXF drawing from its database:
// its version, the entities of its ENTITIES section by type, its layers and
// blocks, its stated units and the extents the database computes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace cli {

struct DxfSummary {
    std::string version;           // $ACADVER, empty when not stated
    const char* release = nullptr; // the release that wrote that version
    std::size_t entities = 0;
    std::vector<std::pair<std::string, int>> entityTypes; // in type-code order
    struct Layer {
        std::string name;
        int color;
        std::string lineType;
    };
    std::vector<Layer> layers;
    struct Block {
        std::string name;
        std::size_t entities;
    };
    std::vector<Block> blocks;
    std::optional<int> insUnits; // $INSUNITS
    bool hasExtents = false;
    double minX = 0, minY = 0, maxX = 0, maxY = 0; // drawing units, y up
};

// Loads the drawing at path; the summary, or why it cannot be read.
std::variant<DxfSummary, std::string> ReadDxfSummary(const std::string& path);

} // namespace cli
