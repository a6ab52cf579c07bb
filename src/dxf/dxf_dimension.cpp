#include "dxf/dxf_drawing.h"

// The lines, arrowheads and text of a generated dimension block come with
// dimension drawing; until then the block is made and stays empty, so the
// DIMENSION draws nothing of its own.
void DxfMakeDimensionBlock(DXFDRAWING*, DWORD, const DXFENTITYHEADER*, const DXFDIMENSION*,
                           const DXFDIMSTYLE*) {}
