// What one unit of a rendered document's point list measures on paper.
#pragma once

#include "model/loomveil_doc.h"

#include <string>

namespace units {

struct ListUnit {
    double mmPerUnit = 0; // 0: not known
    std::string why;      // when not known: the reason, naming the format
    bool Known() const { return mmPerUnit > 0; }
};

// For the document's current file after a render into width × height (the
// size matters only for DXF, whose list is the outline in pixels): the
// unit of the format the file was read as, from the format table, or for a
// DXF drawing from its $INSUNITS.
ListUnit UnitOfPointList(const CLoomveilDoc& doc, int width, int height);

} // namespace units
